#include "appfilter.h"

#include <QCoreApplication>
#include <QPointer>

namespace appfilter {

namespace {
QPointer<QObject> &slot()
{
    static QPointer<QObject> installed;
    return installed;
}
} // namespace

QObject *current()
{
    return slot().data();
}

void install(QObject *filter)
{
    if (slot() == filter)
        return;
    if (slot())
        QCoreApplication::instance()->removeEventFilter(slot());
    slot() = filter;
    if (filter)
        QCoreApplication::instance()->installEventFilter(filter);
}

} // namespace appfilter
