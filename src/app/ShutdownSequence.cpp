#include "ShutdownSequence.h"

#include "Ablak.h"
#include "Config.h"
#include "ControlSettings.h"
#include "InProgressModel.h"
#include "Kelvo.h"
#include "MessageBoxes.h"

#include "T_previewform.h"
#include "TFoform.h"
#include "TSzallitasokform.h"
#include "Tautomeresek.h"
#include "Tkeszletform.h"

#include "ui_TFoform.h"

#include <QHeaderView>

ShutdownSequence::ShutdownSequence(Kelvo &kelvo, const ControlSettings &controls)
    : m_kelvo(kelvo)
    , m_controls(controls)
{
}

void ShutdownSequence::run()
{
    if (!writeAll())
        uzenet(QString::fromUtf8(kSaveFailedMessage));
}

bool ShutdownSequence::writeAll()
{
    Config &config = *m_kelvo.config();
    QList<int> widths;
    const QHeaderView *header = m_kelvo.Foform()->ui()->lista->header();
    for (int i = 0; i < InProgressModel::kColumnCount; ++i)
        widths.append(header->sectionSize(i));
    if (!config.setColumnWidths(Keys::kFolyamatbanOszlop, widths))
        return false;

    const KelvoWindows &w = m_kelvo.windows();
    for (const QWidget *window :
         {static_cast<const QWidget *>(w.previewform()), static_cast<const QWidget *>(w.Szallitasokform()),
          static_cast<const QWidget *>(w.keszletform()), static_cast<const QWidget *>(w.Foform()),
          static_cast<const QWidget *>(w.automeresek())})
        ablakmentes(config.ini(), window);
    return m_controls.save(config);
}
