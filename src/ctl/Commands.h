#pragma once

#include "StockQuery.h"
#include "TransportSearch.h"

class Invocation;

// kelvoctl's commands. Each reads its arguments from the invocation, calls the core and prints the outcome;
// it returns the exit code, or throws BadArguments (exit 2) or Refused (exit 1). The table in CtlCommands.cpp
// names them and declares their arguments.

// DatabaseCommands.cpp
int createDbCommand(Invocation &call);
int checkDbCommand(Invocation &call);
int copyDbCommand(Invocation &call);

// WeighingCommands.cpp
int firstWeighingCommand(Invocation &call);
int finishCommand(Invocation &call);
int inProgressCommand(Invocation &call);

// TicketCommand.cpp
int ticketCommand(Invocation &call);

// PicturesCommand.cpp
int picturesCommand(Invocation &call);

// StockCommand.cpp
int stockCommand(Invocation &call);
// The stock window's filter from the options; throws BadArguments or Refused.
StockQuery::Filter stockFilter(Invocation &call);

// ScaleCommands.cpp
int decodeCommand(Invocation &call);
int portsCommand(Invocation &call);
int liveCommand(Invocation &call);

// RecordCommands.cpp
int searchCommand(Invocation &call);
// The search window's filter from the options; throws BadArguments.
TransportSearch::Filter searchFilter(Invocation &call);
int cancelCommand(Invocation &call);
int verifyTrailCommand(Invocation &call);
int exportCommand(Invocation &call);

// ReportCommand.cpp
int reportCommand(Invocation &call);

// AutoCommands.cpp
int autoListCommand(Invocation &call);
int autoWeighCommand(Invocation &call);

// ImportCommand.cpp
int importCommand(Invocation &call);

// GateCommands.cpp
int gateCommand(Invocation &call);
// CameraCommand.cpp
int cameraTestCommand(Invocation &call);

// ServeCommand.cpp
int serveCommand(Invocation &call);
int renderPdfCommand(Invocation &call);

// UserCommands.cpp
int userAddCommand(Invocation &call);
int userPasswdCommand(Invocation &call);
int userDelCommand(Invocation &call);
int userListCommand(Invocation &call);

// OutboxCommand.cpp
int outboxCommand(Invocation &call);

// BackupCommands.cpp
int backupCommand(Invocation &call);
int autobackupCommand(Invocation &call);
