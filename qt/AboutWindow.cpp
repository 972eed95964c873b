#include "qt/AboutWindow.h"

#include "qt/QtText.h"

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent)
{
    LiranoUi::InitResources();
    ui.setupUi(this);
    ui.LVersion->setText(QString::fromLatin1(LiranoUi::Version));
}
