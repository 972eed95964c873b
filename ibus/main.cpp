#include <X11/Xlib.h>
#include <glib.h>

#include <clocale>

#include "ibus/LiranoIBusApp.h"

int main(int argc, char** argv)
{
    std::setlocale(LC_CTYPE, "C");
    XInitThreads();
    return theApp.Start(argc, argv);
}
