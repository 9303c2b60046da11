// Time per sale slip: read from the database and drawn to PDF, and drawn
// for the preview, over 100 slips. Prints figures; nothing here asserts.
#include "datastore/connectiontarget.h"
#include "datastore/mdatabase.h"
#include "sales/slipdata.h"
#include "sales/sliplayout.h"
#include "sales/slipprintjob.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

QTextStream out(stdout);

struct Figures {
    double median = 0;
    double worst = 0;
};

Figures figures(QVector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms.at(ms.size() / 2), ms.last()};
}

qint64 storeSale()
{
    using mDatabase::InsertAndGetID;
    // An address names one customer: a second run on the same database
    // takes the customer the first one stored.
    const QString address = QStringLiteral("幸福路12号3单元");
    const auto known = mDatabase::OpenRecordset(
        QStringLiteral("select ID from Customer where Address=%1").arg(mDatabase::SqlStr(address)));
    const qint64 customer = known && !known->isEmpty()
        ? known->value(0, 0).toLongLong()
        : InsertAndGetID(QStringLiteral("insert into "
                                        "Customer(Name,Account,Address,Phone,Detail,CustType,"
                                        "Status,UserID,StationID) "
                                        "values('李四',8801,%1,'13912345678','',2,'1',1,1)")
                             .arg(mDatabase::SqlStr(address)));
    const qint64 sender = InsertAndGetID(
        QStringLiteral("insert into Sender(Name,Status,StationID) values('赵六','1',1)"));
    const qint64 sale = InsertAndGetID(
        QStringLiteral("insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,"
                       "CreateDate,FinishFlag,StationID) values(%1,%2,1,6,1234.5,%3,'0',1)")
            .arg(QString::number(customer), QString::number(sender),
                mDatabase::dialect().dateLiteral(QDate::currentDate())));
    for (int i = 0; i < 3; ++i) {
        const qint64 product = InsertAndGetID(
            QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer) "
                           "values('纯净水%1','桶',10,'1','0')")
                .arg(i));
        mDatabase::ExecuteSQL(
            QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,"
                           "MyAmount,MyMoney,IsContainer) values(%1,%2,10,2,20,'0')")
                .arg(sale)
                .arg(product));
    }
    return sale;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption database(QStringList{QStringLiteral("database")},
        QStringLiteral("Database URL (a new SQLite file by default)."), QStringLiteral("URL"));
    parser.addOption(database);
    parser.process(app);

    QTemporaryDir dir;
    QString url = parser.value(database);
    if (url.isEmpty())
        url = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("slip.db"));
    ConnectionTarget target;
    QString error;
    if (!ConnectionTarget::fromUrl(url, &target, &error)
        || !mDatabase::OpenConnection(target, &error)) {
        out << "cannot open " << url << ": " << error << Qt::endl;
        return 1;
    }
    const qint64 sale = storeSale();
    if (sale <= 0) {
        out << "cannot store the sale to print on " << target.describe() << Qt::endl;
        return 1;
    }
    const SlipLayout layout = SlipLayout::builtIn();
    const QString pdf = dir.filePath(QStringLiteral("slip.pdf"));

    QVector<double> toPdf, toPreview;
    for (int i = 0; i < 100; ++i) {
        QElapsedTimer t;
        t.start();
        SlipPrintJob job(layout, SlipReader::load(sale));
        job.exportPdf(pdf);
        toPdf << t.nsecsElapsed() / 1e6;

        t.restart();
        // A preview page at screen resolution, as the preview draws it.
        QImage page(QSizeF(layout.pageMm * (96 / 25.4)).toSize(), QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        SlipPrintJob::paint(&painter, layout, SlipReader::load(sale), 96 / 25.4);
        painter.end();
        toPreview << t.nsecsElapsed() / 1e6;
    }
    const Figures p = figures(toPdf), v = figures(toPreview);
    out << "slip on " << target.describe() << ", 100 slips (goal under 50 ms each)" << Qt::endl;
    out << QStringLiteral("  read + PDF:     median %1 ms, worst %2 ms")
               .arg(p.median, 0, 'f', 1)
               .arg(p.worst, 0, 'f', 1)
        << Qt::endl;
    out << QStringLiteral("  read + preview: median %1 ms, worst %2 ms")
               .arg(v.median, 0, 'f', 1)
               .arg(v.worst, 0, 'f', 1)
        << Qt::endl;
    mDatabase::CloseConnection();
    return 0;
}
