#include "qt/ChuyenMaUI.h"

#include <QClipboard>
#include <QGuiApplication>

#include "qt/QtText.h"

void CChuyenMaUI::ChuyenMa()
{
    if (Clipboard)
        ChuyenMaClipboard();
    else
        ChuyenMaFile(FileNguon, FileDich);
}

void CChuyenMaUI::ChuyenMaClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    std::wstring text = FromQ(clipboard->text(QClipboard::Clipboard));
    clipboard->setText(ToQ(Convert(text)), QClipboard::Clipboard);
}
