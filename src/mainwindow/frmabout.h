#pragma once

#include <QDialog>

// Name, version, build and the database in use; and a way to the system's
// own information program for the person on the support line.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);

    // The first system-information program installed here; empty when none.
    static QString systemInfoProgram();
};
