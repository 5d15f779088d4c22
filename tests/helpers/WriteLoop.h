#pragma once

// The frame of the writers that the kill tests stop half-way. The last two
// arguments are the first number and the count; write(i) runs for each
// number, and the number is printed once its write has returned. A Failure
// (also from setup, which runs first) ends the helper with its text on
// stderr and status 1; a write that returns false ends it with status 3;
// a wrong number of arguments gives status 2.

#include "common/Failure.h"

#include <QStringList>
#include <QTextStream>
#include <functional>

inline int runWriteLoop(const QStringList &arguments, qsizetype argumentCount, const std::function<void()> &setup,
                        const std::function<bool(int)> &write)
{
    if (arguments.size() != argumentCount)
        return 2;
    QTextStream out(stdout);
    try {
        setup();
        const int from = arguments[argumentCount - 2].toInt();
        const int count = arguments[argumentCount - 1].toInt();
        for (int i = from; i < from + count; ++i) {
            if (!write(i))
                return 3;
            out << i << Qt::endl;
        }
    } catch (const Failure &failure) {
        QTextStream(stderr) << failure.text() << Qt::endl;
        return 1;
    }
    return 0;
}
