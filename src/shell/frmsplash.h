#pragma once

#include <QDialog>

class QLabel;

// The picture shown while the program starts; it closes itself after about
// two seconds, or at once when clicked.
class frmSplash : public QDialog {
    Q_OBJECT

public:
    static constexpr int TickMs = 100;
    static constexpr int Ticks = 20;

    explicit frmSplash(QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    static QPixmap picture();

    QLabel *imgSplash;
    QLabel *lblVersion;
    int m_timerId = 0;
    int m_ticks = 0;
};
