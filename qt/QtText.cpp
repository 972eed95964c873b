#include "qt/QtText.h"

#include <QMessageBox>

#include "core/Utils.h"

static void InitLiranoResources() { Q_INIT_RESOURCE(Lirano); }

namespace LiranoUi {

namespace {

void Show(QWidget* parent, QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, QString(), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

void Warning(QWidget* parent, const QString& text) { Show(parent, QMessageBox::Warning, text); }
void Information(QWidget* parent, const QString& text) { Show(parent, QMessageBox::Information, text); }

QString CannotWriteMessage(const std::wstring& path)
{
    // Paths hold one character per byte: show the bytes as the file system
    // names them.
    return QStringLiteral("Không ghi được tập tin \"%1\"").arg(QString::fromLocal8Bit(Utils::ToString(path)));
}

void InitResources()
{
    static bool done = false;
    if (done) return;
    done = true;
    InitLiranoResources();
}

} // namespace LiranoUi
