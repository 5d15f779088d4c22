#pragma once

#include <QWidget>

// The print window: prints the document as original or copy.
class TPrintDlgOru : public QWidget {
    Q_OBJECT
public:
    explicit TPrintDlgOru(QWidget *parent = nullptr);
};

extern TPrintDlgOru *PrintDlgOru;
