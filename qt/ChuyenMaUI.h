#pragma once

#include <string>

#include "convert/ChuyenMa.h"

// The converter with the choice of what to convert: the clipboard or a
// pair of files. The clipboard is the toolkit's, so this part lives apart
// from the toolkit-free conversion core.
class CChuyenMaUI : public CChuyenMa {
public:
    bool Clipboard = true;
    std::wstring FileNguon;
    std::wstring FileDich;

    // The clipboard when Clipboard is set, else FileNguon into FileDich.
    // Errors are thrown as std::wstring messages.
    void ChuyenMa();
    // Replaces the clipboard's plain text by its conversion (no detection;
    // other flavours such as HTML are dropped).
    void ChuyenMaClipboard();
};
