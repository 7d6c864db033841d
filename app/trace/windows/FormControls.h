#pragma once
// A control of the error trace's windows, with its name as objectName so
// tests (and the report window's owner) find it by name.
#include <QString>
#include <QWidget>

namespace trace {

template <class T>
T* NamedControl(QWidget* parent, const char* name) {
    T* w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

}  // namespace trace
