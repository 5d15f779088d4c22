#include "support/AppFixture.h"

#include "app/Windows.h"
#include "platform/Fonts.h"
#include "platform/Paths.h"
#include "support/ScriptedPrompter.h"

AppFixture::AppFixture() : m_previousFolder(QDir::currentPath()), m_previousStartFolder(StartFolder)
{
    QDir::setCurrent(m_dir.path());
    StartFolder = m_dir.path();
}

AppFixture::~AppFixture()
{
    destroyWindows();
    QDir::setCurrent(m_previousFolder);
    StartFolder = m_previousStartFolder;
}

void AppFixture::start(ScriptedPrompter &prompter, std::optional<QString> rateAnswer)
{
    prompter.expectInput(QString(), QStringLiteral("ДДС"), std::move(rateAnswer));
    open();
}

void AppFixture::open()
{
    // The program's font families, as main() sets them up.
    installFontSubstitutes();
    createWindows();
}
