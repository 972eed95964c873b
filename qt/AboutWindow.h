#pragma once

#include <QDialog>

#include "ui_AboutWindow.h"

// The about box: version, rights notice, web site and support forum.
class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);

    Ui_AboutWindowClass ui;
};
