#include "QtText.h"

#include <unistd.h>

#include <QMessageBox>

#include "Utils.h"

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

bool CanWriteFile(const std::wstring& path)
{
    std::string p = Utils::ToString(path);
    if (::access(p.c_str(), F_OK) == 0) return ::access(p.c_str(), W_OK) == 0;
    std::string folder = Utils::ToString(Utils::GetDirectoryName(path));
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

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
