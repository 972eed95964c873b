#pragma once

#include <string>

#include <QString>

class QWidget;

// Text between the core's wide strings (one code point per element) and
// the toolkit's strings.
inline QString ToQ(const std::wstring& s) { return QString::fromStdWString(s); }
inline std::wstring FromQ(const QString& s) { return s.toStdWString(); }

namespace LiranoUi {

// Message boxes of the settings tool: empty title, one OK button, text shown
// as it is (never taken for markup).
void Warning(QWidget* parent, const QString& text);
void Information(QWidget* parent, const QString& text);

// "Không ghi được tập tin "path"": the warning shown when a save fails, so
// that the user's edits are not lost silently.
QString CannotWriteMessage(const std::wstring& path);

// Registers the compiled-in icons (needed because they live in a static
// library); safe to call more than once.
void InitResources();

} // namespace LiranoUi
