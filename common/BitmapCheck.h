#pragma once

#include <QByteArray>

// Whether the bytes are a Windows bitmap (BMP), judged by its header.
bool isBitmap(const QByteArray &data);
