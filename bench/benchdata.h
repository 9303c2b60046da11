#pragma once

#include <QDate>
#include <QString>

// Fills an empty database with a group that has worked for years: stations,
// water and bottles, delivery staff, customers, `sales` orders with their
// lines in every state of settling (the newest ones still open), the stock
// documents earlier closings generated from the settled orders, and the
// stock taken in and out by hand every week and month.
namespace BenchData {

struct Shape {
    int sales = 1000000;
    int stations = 10; // the head station included
    int products = 40; // bottles included
    int bottles = 4;
    int senders = 30; // spread evenly over the stations
    int years = 5; // orders spread evenly over this many years up to today
    int open = 2000; // the newest orders, not closed yet
    int customers = 0; // 0: one for every 50 orders
};

bool generate(const Shape &shape, const QDate &today, QString *error);

// Opens the newest settled orders again, without the stock documents the
// closings that carried them wrote, so that exactly `count` settled orders
// wait for the next closing. *error names what failed.
bool reopenSettled(int count, QString *error);

// The offscreen platform says at every window shown that it cannot size
// windows by hints; a benchmark's output is its figures.
void quietOffscreen();

} // namespace BenchData
