#include "store/TableEngine.h"

#include <QThread>
#include <future>

FoldedColumn TableEngine::readInHalves(const QList<qint64> &keys, const PartRead &readPart)
{
    if (keys.size() < SplitFoldFrom || QThread::idealThreadCount() < 2)
        return readPart(keys);
    const qsizetype half = keys.size() / 2;
    auto second = std::async(std::launch::async, readPart, keys.mid(half));
    FoldedColumn folded = readPart(keys.first(half));
    folded.append(second.get());
    return folded;
}
