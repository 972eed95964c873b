// Lirano-Qt: the settings tool (options, typing methods, abbreviations,
// charset converter) and the installer of the IBus component.
#include "qt/LiranoQt.h"

int main(int argc, char** argv) { return LiranoQt::Run(argc, argv); }
