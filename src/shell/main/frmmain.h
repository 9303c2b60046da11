#pragma once

#include <QMainWindow>

class QLabel;
class QMdiArea;

// The group's main window: child windows in the middle, commands around
// them, the station and user in the status bar.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);

    QMdiArea *mdiArea() const { return m_mdi; }

private:
    void buildMenus();
    void showUser();

    QMdiArea *m_mdi;
    QLabel *stbInfo;
    QLabel *stbUser;
};
