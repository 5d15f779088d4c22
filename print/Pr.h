#pragma once

#include <QComboBox>
#include <QSet>
#include <QString>
#include <QToolButton>
#include <QWidget>
#include <functional>

// A print command has run to its end in this run; never reset.
extern bool NumberRecorded;

// What the print command needs of the other windows, handed in by the
// program's assembly.
struct PrintLinks {
    // The document kind chosen in the line table.
    std::function<QString()> documentKind;
    // The own company's record picked for the document.
    std::function<int()> firmRecNo;
    // Writes the number into the column of the own company's record (the
    // main menu's "Собствени фирми" and back).
    std::function<void(const QString &column, const QString &number)> recordNumber;
};

// The print window: prints the document as original or copy, keeps its
// picture as an archive image with a PDF copy beside it, and writes the
// document number back into the own company's record.
class TPrintDlgOru : public QWidget {
    Q_OBJECT
public:
    explicit TPrintDlgOru(QWidget *parent = nullptr);

    void setLinks(PrintLinks links) { m_links = std::move(links); }

    QToolButton *SpeedButton1;  // "Отпечатай ОРИГИНАЛ на документа"
    QToolButton *SpeedButton2;  // "Отпечатай КОПИЕ на документа"
    QComboBox *ComboBox1;       // colour depth of the archive image

    // Places the window by the document window.
    void FormShow();
    void SpeedButton1Click();
    void SpeedButton2Click();
    // The print command for "Оригинал" or "Копие".
    void PrintDocument(const QString &mode);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void recordNumber(const QString &documentKind, int firmRecNo);

    PrintLinks m_links;
    // The numbers written back in this run, by column, company and number.
    QSet<QString> m_recorded;
};

extern TPrintDlgOru *PrintDlgOru;
