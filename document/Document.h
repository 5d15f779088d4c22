#pragma once

#include <QWidget>

// The invoice document: the printable page and the two buttons beside it.
class TDoc : public QWidget {
    Q_OBJECT
public:
    explicit TDoc(QWidget *parent = nullptr);

    void FormCreate();
    // "Отпечатай": shows the print window.
    void SpeedButton1Click();
    // "Нова фактура": starts a fresh copy of the program and ends this one.
    void SpeedButton3Click();
};

extern TDoc *Doc;
