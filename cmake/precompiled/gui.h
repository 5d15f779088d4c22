// Precompiled for pictures without windows (Qt Gui).
#include "plain.h"
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPixmap>
