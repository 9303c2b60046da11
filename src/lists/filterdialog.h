#pragma once

#include <QDialog>
#include <QVector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;

// What the two filter dialogs share: criteria that count only when ticked,
// comparison operators, checked number and date boxes, the station choice
// and the choice between a new search and a search within the result.
class FilterDialog : public QDialog {
    Q_OBJECT

public:
    explicit FilterDialog(QWidget *parent = nullptr);

public slots:
    virtual void RefreshControl();

protected:
    enum class BoxKind { Text, Number, Integer, Date };

    struct Criterion {
        QCheckBox *check = nullptr;
        QComboBox *op = nullptr;
        QLineEdit *text = nullptr;
        QComboBox *choice = nullptr;
        QPushButton *pickDate = nullptr;
        BoxKind kind = BoxKind::Text;
    };

    QCheckBox *addCheck(const char *name, const char *caption);
    QComboBox *addOperator(int index);
    QLineEdit *addBox(const char *name, BoxKind kind);
    QComboBox *addChoice(const char *name, const QString &sql);
    Criterion &addCriterion(Criterion c);
    QButtonGroup *addOptions(
        const char *name, const char *caption, const QStringList &captions, int checked);
    void finishLayout(QWidget *extra = nullptr);
    // The stations, the login station chosen; other stations' users are
    // held to their own.
    void fillStations();

    // The condition value of a ticked box: a parsed number or a quoted date;
    // false (after the fixed message) when the box holds neither.
    bool numberValue(const Criterion &c, QString *sql) const;
    bool dateValue(const Criterion &c, QString *sql) const;
    static QString operatorText(const QComboBox *op);
    // The text between quotes of a LIKE that finds it anywhere, with quotes
    // and the wildcard characters typed by the operator taken literally.
    static QString likeAnywhere(const QString &text);
    bool stationCondition(qint64 *stationId) const;

    QVector<Criterion> m_criteria;
    QCheckBox *chkStation = nullptr;
    QComboBox *cmbStation = nullptr;
    QButtonGroup *optSearchType = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    QGridLayout *m_grid = nullptr;
    QWidget *m_body = nullptr;

private:
    bool leaveBox(QLineEdit *box, BoxKind kind);
    bool eventFilter(QObject *watched, QEvent *event) override;
};
