#include "support/ScriptedPrompter.h"

namespace {

const char *kindName(int kind)
{
    static const char *names[] = {"input", "information", "message", "error", "print", "open picture", "question", "folder",
                                  "save file", "payment", "open file", "choose items"};
    return names[kind];
}

} // namespace

ScriptedPrompter::ScriptedPrompter() { setPrompter(this); }

ScriptedPrompter::~ScriptedPrompter() { setPrompter(nullptr); }

ScriptedPrompter &ScriptedPrompter::expectInput(const QString &title, const QString &prompt,
                                                std::optional<QString> answer)
{
    m_steps.append({Kind::Input, title, prompt, std::move(answer)});
    return *this;
}

ScriptedPrompter &ScriptedPrompter::expectInformation(const QString &text)
{
    m_steps.append({Kind::Information, text, {}, {}});
    return *this;
}

ScriptedPrompter &ScriptedPrompter::expectMessage(const QString &text, Icon icon)
{
    Step step{Kind::Message, text, {}, {}};
    step.icon = icon;
    m_steps.append(step);
    return *this;
}

ScriptedPrompter &ScriptedPrompter::expectError(const QString &text)
{
    m_steps.append({Kind::Error, text, {}, {}});
    return *this;
}

ScriptedPrompter &ScriptedPrompter::expectAnyError()
{
    Step step{Kind::Error, {}, {}, {}};
    step.anyText = true;
    m_steps.append(step);
    return *this;
}

ScriptedPrompter &ScriptedPrompter::expectQuestion(const QString &text, bool yes)
{
    Step step{Kind::Question, text, {}, {}};
    step.confirm = yes;
    m_steps.append(step);
    return *this;
}

ScriptedPrompter &ScriptedPrompter::expectPrint(bool confirm, std::function<void()> whileOpen)
{
    Step step{Kind::Print, {}, {}, {}};
    step.confirm = confirm;
    step.whileOpen = std::move(whileOpen);
    m_steps.append(step);
    return *this;
}

ScriptedPrompter &ScriptedPrompter::expectOpenPicture(const QString &chosenFile)
{
    m_steps.append({Kind::OpenPicture, {}, {}, chosenFile});
    return *this;
}

ScriptedPrompter &ScriptedPrompter::expectFolder(const QString &title, const QString &chosenFolder)
{
    m_steps.append({Kind::Folder, title, {}, chosenFolder});
    return *this;
}

ScriptedPrompter &ScriptedPrompter::expectSaveFile(const QString &title, const QString &chosenFile)
{
    m_steps.append({Kind::SaveFile, title, {}, chosenFile});
    return *this;
}

ScriptedPrompter &ScriptedPrompter::expectPayment(std::optional<PaymentAnswer> answer)
{
    Step step{Kind::Payment, QStringLiteral("Плащане"), {}, {}};
    step.confirm = answer.has_value();
    if (answer)
        step.payment = *answer;
    m_steps.append(step);
    return *this;
}

ScriptedPrompter &ScriptedPrompter::expectOpenFile(const QString &title, const QString &chosenFile)
{
    m_steps.append({Kind::OpenFile, title, {}, chosenFile});
    return *this;
}

ScriptedPrompter &ScriptedPrompter::expectChooseItems(const QString &title, std::optional<QList<int>> checked)
{
    Step step{Kind::ChooseItems, title, {}, {}};
    step.confirm = checked.has_value();
    step.checked = checked.value_or(QList<int>());
    m_steps.append(step);
    return *this;
}

bool ScriptedPrompter::finished() const { return m_problems.isEmpty() && m_next == m_steps.size(); }

QByteArray ScriptedPrompter::problems() const
{
    QStringList all = m_problems;
    for (qsizetype i = m_next; i < m_steps.size(); ++i)
        all.append(QStringLiteral("expected %1 never came: %2")
                       .arg(QLatin1String(kindName(int(m_steps[i].kind))), m_steps[i].text));
    all.append(QStringLiteral("transcript:\n  ") + transcript.join(QStringLiteral("\n  ")));
    return all.join(u'\n').toUtf8();
}

const ScriptedPrompter::Step *ScriptedPrompter::next(Kind kind, const QString &shown)
{
    if (m_next >= m_steps.size()) {
        m_problems.append(QStringLiteral("unexpected %1: %2").arg(QLatin1String(kindName(int(kind))), shown));
        return nullptr;
    }
    const Step &step = m_steps[m_next];
    if (step.kind != kind) {
        m_problems.append(QStringLiteral("expected %1 \"%2\" but got %3: %4")
                              .arg(QLatin1String(kindName(int(step.kind))), step.text,
                                   QLatin1String(kindName(int(kind))), shown));
        ++m_next;
        return nullptr;
    }
    ++m_next;
    return &step;
}

std::optional<QString> ScriptedPrompter::input(const QString &title, const QString &prompt,
                                               const QString &text)
{
    transcript.append(QStringLiteral("input: %1 | %2 | %3").arg(title, prompt, text));
    proposed.append(text);
    const Step *step = next(Kind::Input, title + u'|' + prompt);
    if (!step)
        return std::nullopt;
    if (step->text != title || step->prompt != prompt)
        m_problems.append(QStringLiteral("input box \"%1\" / \"%2\" where \"%3\" / \"%4\" was expected")
                              .arg(title, prompt, step->text, step->prompt));
    return step->answer;
}

void ScriptedPrompter::information(const QString &text)
{
    transcript.append(QStringLiteral("information: ") + text);
    const Step *step = next(Kind::Information, text);
    if (step && step->text != text)
        m_problems.append(QStringLiteral("information \"%1\" where \"%2\" was expected").arg(text, step->text));
}

void ScriptedPrompter::message(const QString &text, Icon icon)
{
    transcript.append(QStringLiteral("message: ") + text);
    const Step *step = next(Kind::Message, text);
    if (step && (step->text != text || step->icon != icon))
        m_problems.append(QStringLiteral("message \"%1\" where \"%2\" was expected").arg(text, step->text));
}

void ScriptedPrompter::error(const QString &text)
{
    transcript.append(QStringLiteral("error: ") + text);
    const Step *step = next(Kind::Error, text);
    if (step && !step->anyText && step->text != text)
        m_problems.append(QStringLiteral("error \"%1\" where \"%2\" was expected").arg(text, step->text));
}

bool ScriptedPrompter::question(const QString &text)
{
    transcript.append(QStringLiteral("question: ") + text);
    const Step *step = next(Kind::Question, text);
    if (step && step->text != text)
        m_problems.append(QStringLiteral("question \"%1\" where \"%2\" was expected").arg(text, step->text));
    return step && step->text == text && step->confirm;
}

bool ScriptedPrompter::print(QPrinter &, int minPage, int maxPage)
{
    transcript.append(QStringLiteral("print: %1-%2").arg(minPage).arg(maxPage));
    lastMinPage = minPage;
    lastMaxPage = maxPage;
    const Step *step = next(Kind::Print, QString());
    if (step && step->whileOpen)
        step->whileOpen();
    return step && step->confirm;
}

QString ScriptedPrompter::openPicture(const QString &filter)
{
    transcript.append(QStringLiteral("open picture: ") + filter);
    const Step *step = next(Kind::OpenPicture, filter);
    return step ? step->answer.value_or(QString()) : QString();
}

QString ScriptedPrompter::chooseFolder(const QString &title)
{
    transcript.append(QStringLiteral("folder: ") + title);
    const Step *step = next(Kind::Folder, title);
    if (step && step->text != title)
        m_problems.append(QStringLiteral("folder dialog \"%1\" where \"%2\" was expected").arg(title, step->text));
    return step ? step->answer.value_or(QString()) : QString();
}

QString ScriptedPrompter::saveFile(const QString &title, const QString &proposedFile, const QString &filter)
{
    transcript.append(QStringLiteral("save file: %1 | %2 | %3").arg(title, proposedFile, filter));
    const Step *step = next(Kind::SaveFile, title);
    if (step && step->text != title)
        m_problems.append(QStringLiteral("save dialog \"%1\" where \"%2\" was expected").arg(title, step->text));
    return step ? step->answer.value_or(QString()) : QString();
}

std::optional<PaymentAnswer> ScriptedPrompter::payment(const PaymentForm &form)
{
    transcript.append(QStringLiteral("payment: %1 | %2 | %3").arg(form.title, form.prompt, form.amount));
    lastPaymentForm = form;
    const Step *step = next(Kind::Payment, form.title);
    if (!step || !step->confirm)
        return std::nullopt;
    return step->payment;
}

QString ScriptedPrompter::openFile(const QString &title, const QString &filter)
{
    transcript.append(QStringLiteral("open file: %1 | %2").arg(title, filter));
    const Step *step = next(Kind::OpenFile, title);
    if (step && step->text != title)
        m_problems.append(QStringLiteral("open dialog \"%1\" where \"%2\" was expected").arg(title, step->text));
    return step ? step->answer.value_or(QString()) : QString();
}

std::optional<QList<int>> ScriptedPrompter::chooseItems(const QString &title, const QString &prompt,
                                                        const QStringList &items)
{
    transcript.append(QStringLiteral("choose items: %1 | %2 | %3").arg(title, prompt, items.join(QStringLiteral(" | "))));
    lastItems = items;
    const Step *step = next(Kind::ChooseItems, title);
    if (!step || !step->confirm)
        return std::nullopt;
    return step->checked;
}
