#!/usr/bin/python3
# QtClient.cpp for Qt 5 (PyQt5), through Qt 5's own IBus input context:
# the same fields, windows and state file.
import os
import sys

from PyQt5.QtWidgets import QApplication, QLineEdit, QTextEdit, QVBoxLayout, QWidget
from PyQt5.QtCore import QTimer
import client_state  # noqa: E402

app = QApplication(sys.argv)
folder = os.environ["LIRANO_CLIENT_DIR"]
widgets = {}


def window(title, x, names):
    w = QWidget()
    w.setWindowTitle(title)
    box = QVBoxLayout(w)
    for name in names:
        if name == "text":
            field = QTextEdit()
            field.setMinimumSize(400, 120)
        else:
            field = QLineEdit()
            if name == "password":
                field.setEchoMode(QLineEdit.Password)
        box.addWidget(field)
        widgets[name] = field
    w.resize(420, 260)
    w.move(x, 0)
    w.show()
    return w


main = window("Lirano Qt 5", 0, ["entry1", "entry2", "entry3", "password", "text"])
other = window("Lirano Qt 5 other", 500, ["other"])


def dump():
    if not client_state.asked():
        return
    # One fact a line; texts in hex, so that any character survives.
    text = {n: w.toPlainText() if isinstance(w, QTextEdit) else w.text() for n, w in widgets.items()}
    lines = ["text %s %s" % (n, t.encode("utf-8").hex()) for n, t in text.items()]
    for n, w in widgets.items():
        c = w.mapToGlobal(w.rect().center())
        lines.append("place %s %d %d" % (n, c.x(), c.y()))
    lines += ["window main %d" % int(main.winId()), "window other %d" % int(other.winId())]
    lines += ["focus %s" % n for n, w in widgets.items() if w.hasFocus() and w.window().isActiveWindow()]
    client_state.answer(lines)


timer = QTimer()
timer.timeout.connect(dump)
timer.start(20)
sys.exit(app.exec_())
