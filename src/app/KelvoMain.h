#pragma once

// The program entry: single copy, windows, message loop.
int runKelvo(int argc, char *argv[]);
