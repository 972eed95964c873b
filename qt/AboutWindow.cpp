#include "qt/AboutWindow.h"

#include "core/Identity.h"
#include "qt/QtText.h"

namespace {

QString Link(const char* url)
{
    QString u = QString::fromUtf8(url).toHtmlEscaped();
    return QStringLiteral("<a href=\"%1\">%1</a>").arg(u);
}

} // namespace

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent)
{
    LiranoUi::InitResources();
    ui.setupUi(this);
    ui.LVersion->setText(QString::fromLatin1(identity::kVersion));
    ui.LTrangWeb->setText(Link(identity::kHomepage));
    ui.LDienDan->setText(Link(identity::kForum));
}
