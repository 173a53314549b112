#pragma once
// Two small helpers of the display program's Qt code: the QString of a
// standard string, and an object given its documented name (tests find
// controls by it).

#include <QObject>
#include <QString>

#include <string>

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

template <typename W>
W* Named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}
