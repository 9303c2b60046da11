#pragma once

#include "bench/delayproxy.h"
#include "datastore/connectiontarget.h"
#include "datastore/prompt.h"

#include <QDate>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;
class frmSale;
class frmSaleAdmin;

// An operator's day at a station far from the server, action by action,
// through the real windows and writers, each action measured by what it
// asks of the server (counted by a DelayProxy) and by the time it takes.
namespace RemoteActions {

struct Step {
    QString name;
    DelayProxy::Counts counts;
    double ms = 0;
    bool ok = false;
    QString note; // why it failed, or what it did
    QStringList trace; // the statements' texts, when the relay keeps them
};

// Answers every question yes and every message with its default, as the
// operator who wants the action done would; keeps what was asked.
class Answers : public Prompt::Handler {
public:
    Answers();
    ~Answers() override;
    int ask(const Prompt::Request &request) override;
    QVariant choose(const Prompt::Request &request) override;
    QStringList texts;
    // The text an Input prompt is answered with (the closing's cut-off).
    QString input;
};

// The data the actions work on, written once through a direct connection:
// a group of a few stations with customers, products and a year of orders
// (BenchData), of which `settledOpen` settled orders are not closed yet.
bool prepare(int sales, int settledOpen, QString *error);

class Station {
public:
    // `target` reaches the server through `proxy`.
    Station(DelayProxy *proxy, const ConnectionTarget &target);
    ~Station();

    // In the order an operator meets them; each needs the ones before.
    Step logIn();
    Step openNewSale();
    Step phoneLookup();
    Step productEntry();
    Step save();
    Step openSaleList(); // the default list, first shown
    Step receiveMoney(); // 收款 on the order just saved, from the list
    Step refreshSaleList();
    Step todayReport();
    Step periodReport();
    Step closing(); // changes the data: last

    // The customer and the product the sale uses.
    QString phone;
    qint64 product = 0;

    // A window opened with exec() while an action runs: the answer fills
    // and closes it and returns true; a window it does not know is closed
    // and fails the action.
    using DialogAnswer = std::function<bool(QWidget *)>;

private:
    class DialogWatch;
    Step measure(const QString &name, const std::function<QString()> &action,
        const DialogAnswer &answer = {});

    DelayProxy *m_proxy;
    ConnectionTarget m_target;
    Answers m_answers;
    std::unique_ptr<DialogWatch> m_watch;
    std::unique_ptr<frmSale> m_sale;
    std::unique_ptr<frmSaleAdmin> m_list;
    qint64 m_savedSale = 0;
};

} // namespace RemoteActions
