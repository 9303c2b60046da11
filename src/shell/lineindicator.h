#pragma once

#include "shell/frmsystemsetup.h"

#include <QLabel>
#include <QPointer>

class cTAPILine;

// The status-bar pane that says which telephone line this workstation
// listens on and whether it hears calls: "模拟线路 — 已连接",
// "来电服务器 host — 正在重连", "调制解调器 ttyUSB0 — 未打开：找不到该设备".
// A click asks for the settings.
class LineIndicator : public QLabel {
    Q_OBJECT

public:
    enum class State { Closed, Connected, Reconnecting };

    explicit LineIndicator(QWidget *parent = nullptr);

    // Follows the line the settings dialog has just loaded.
    void follow(cTAPILine *line, const frmSystemSetup::LineChoice &choice);
    State state() const { return m_state; }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void display(State state, const QString &why = QString());

    QPointer<cTAPILine> m_line;
    QString m_name;
    State m_state = State::Closed;
};
