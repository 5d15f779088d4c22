// Precompiled for the windows (Qt Widgets and Qt Print Support).
#include "gui.h"
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QWidget>
