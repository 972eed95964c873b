// A Qt 6 window typed into through Qt's IBus input context: two line
// edits, a password line edit and a text edit, plus a second window with
// one line edit. Writes the widgets' texts, their places on the screen, the
// windows' X ids and the focused widget to $LIRANO_CLIENT_DIR/state.txt
// whenever state.req appears there. On Wayland, where the compositor places
// the windows, the places are within each window and the windows are named
// by their titles.
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <map>

namespace {

std::map<QString, QWidget*> widgets;
bool wayland = false;

QWidget* Window(const QString& title, int x, const QStringList& names)
{
    auto* w = new QWidget;
    w->setWindowTitle(title);
    auto* box = new QVBoxLayout(w);
    for (const QString& name : names) {
        QWidget* field;
        if (name == "text") {
            field = new QTextEdit;
            field->setMinimumSize(400, 120);
        } else {
            auto* line = new QLineEdit;
            if (name == "password") line->setEchoMode(QLineEdit::Password);
            field = line;
        }
        box->addWidget(field);
        widgets[name] = field;
    }
    w->resize(420, 260);
    if (!wayland) w->move(x, 0);
    w->show();
    return w;
}

QString TextOf(QWidget* w)
{
    if (auto* t = qobject_cast<QTextEdit*>(w)) return t->toPlainText();
    return static_cast<QLineEdit*>(w)->text();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString folder = qEnvironmentVariable("LIRANO_CLIENT_DIR");
    wayland = QGuiApplication::platformName().startsWith("wayland");
    // Single words on Wayland: the test finds the windows in sway by title.
    const QString mainTitle = wayland ? "Lirano-Qt6-main" : "Lirano Qt";
    const QString otherTitle = wayland ? "Lirano-Qt6-other" : "Lirano Qt other";
    QWidget* main = Window(mainTitle, 0, {"entry1", "entry2", "entry3", "password", "text"});
    QWidget* other = Window(otherTitle, 500, {"other"});
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!QFile::exists(folder + "/state.req")) return;
        // One fact a line; texts in hex, so that any character survives.
        QByteArray out;
        for (const auto& [name, w] : widgets) out += "text " + name.toUtf8() + " " + TextOf(w).toUtf8().toHex() + "\n";
        for (const auto& [name, w] : widgets) {
            QPoint c;
            if (wayland) {
                // From the window's top-left as sway shows it, Qt's own
                // decorations (if any) included.
                const QMargins frame = w->window()->windowHandle()->frameMargins();
                c = w->mapTo(w->window(), w->rect().center()) + QPoint(frame.left(), frame.top());
            } else {
                c = w->mapToGlobal(w->rect().center());
            }
            out += "place " + name.toUtf8() + " " + QByteArray::number(c.x()) + " " + QByteArray::number(c.y()) + "\n";
            if (w->hasFocus() && w->window()->isActiveWindow()) out += "focus " + name.toUtf8() + "\n";
        }
        if (wayland) {
            out += "window main 1\nwindow other 2\n";
            out += "title main " + mainTitle.toUtf8() + "\ntitle other " + otherTitle.toUtf8() + "\n";
        } else {
            out += "window main " + QByteArray::number((qulonglong)main->winId()) + "\n";
            out += "window other " + QByteArray::number((qulonglong)other->winId()) + "\n";
        }
        QFile file(folder + "/state.tmp");
        if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size()) return;
        file.close();
        ::rename(QFile::encodeName(folder + "/state.tmp"), QFile::encodeName(folder + "/state.txt"));
        QFile::remove(folder + "/state.req");
    });
    timer.start(20);
    return app.exec();
}
