#pragma once

#include <QDialog>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

class ListWindow;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;

// What the filter dialogs share: one table of criteria, each a box to tick
// with its inputs and the condition text it adds to the list's statement;
// comparison operators; checked number and date boxes; option groups; the
// station choice; and the choice between a new search and a search within
// the result. A dialog is its table.
class FilterDialog : public QDialog {
    Q_OBJECT

public:
    enum class Input {
        Text, // found anywhere in the column
        Number, // compared, with an operator
        Integer,
        Date,
        Position, // a choice whose position is what the column stores
        Id, // a choice of rows, by their ID
    };

    struct Criterion {
        const char *name; // the controls: chk<name>, and txt<name> or cmb<name>
        const char *caption;
        Input input;
        // The condition: "%1" the operator and "%2" the value when compared,
        // else "%1" the value.
        const char *condition;
        QString choices = {}; // Id: the statement that lists them
        QStringList positions = {}; // Position: the captions, in stored order
    };

    struct Options {
        const char *name;
        const char *caption;
        QStringList captions;
        QStringList conditions; // by option; empty: no condition
    };

    struct Table {
        QVector<Criterion> criteria;
        QVector<Options> options;
        const char *stationCaption;
        const char *stationCondition; // "%1" is the station's ID
        // The station list is usable only while its box is ticked.
        bool stationFollowsCheck = false;
    };

    // The conditions of the ticked criteria in table order; false (after
    // the message) when a box holds no number or date.
    bool BuildFilterSQL(QString *fragment);
    // The filter text current becomes with fragment: replaced by a new
    // search, narrowed by a search within the result.
    QString applyTo(const QString &current, const QString &fragment) const;
    bool isNewSearch() const;
    // What the ticked criteria ask for, in words, for a caption; empty when
    // nothing narrows the rows.
    QString describe() const;

    // What the boxes hold, to open with it again next time; and putting
    // such a state back.
    QVariantMap state() const;
    void restoreState(const QVariantMap &state);

public slots:
    void RefreshControl();

protected:
    // How the list's statement takes the conditions: each carries its own
    // " AND " and they are appended to a WHERE the statement already has; or
    // they are joined by " AND " behind a WHERE of their own.
    enum class Joining { Appended, Where };

    // target: the list whose curFilterSQL an accepted filter sets (none:
    // the caller reads the fragment itself).
    FilterDialog(const Table &table, Joining joining, ListWindow *target, QWidget *parent);

    QButtonGroup *options(int index) const { return m_options.value(index).group; }

    QCheckBox *chkStation = nullptr;
    QComboBox *cmbStation = nullptr;
    QButtonGroup *optSearchType = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    // Brings the list back to the view it opened with.
    QPushButton *btnDefault = nullptr;

    void showEvent(QShowEvent *event) override;

private:
    struct Row {
        Criterion criterion;
        QCheckBox *check = nullptr;
        QComboBox *op = nullptr;
        QLineEdit *text = nullptr;
        QComboBox *choice = nullptr;
        QPushButton *pickDate = nullptr;
    };
    struct OptionRow {
        Options options;
        QButtonGroup *group = nullptr;
    };

    void addRow(const Criterion &criterion, int *operators);
    QButtonGroup *addOptions(
        const char *name, const char *caption, const QStringList &captions, int checked);
    void finishLayout();
    // The stations, the login station chosen; other stations' users are
    // held to their own.
    void fillStations();
    void confirm();

    // The condition value of a ticked box: a parsed number or a quoted date;
    // false (after the fixed message) when the box holds neither.
    bool numberValue(const Row &row, QString *sql) const;
    bool dateValue(const Row &row, QString *sql) const;
    bool stationCondition(qint64 *stationId) const;
    bool leaveBox(QLineEdit *box, Input input);
    bool eventFilter(QObject *watched, QEvent *event) override;

    Table m_table;
    Joining m_joining;
    ListWindow *m_target;
    QVector<Row> m_rows;
    QVector<OptionRow> m_options;
    QGridLayout *m_grid = nullptr;
    QWidget *m_body = nullptr;
    bool m_restored = false;
};
