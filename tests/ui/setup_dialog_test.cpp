#include "agent/ui/setup_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

#include "agent/ui/about_box.h"

namespace zamo {
namespace {

const SetupValues kValues{"Zamo_Left", false, "127.0.0.1", 6000, 0};

SetupInput typed(QString team, QString port, QString number = QStringLiteral("5")) {
    SetupInput input;
    input.teamName = team;
    input.serverIp = QStringLiteral("10.1.2.3");
    input.serverPort = port;
    input.playerNumber = number;
    return input;
}

TEST(CheckSetup, RefusesEachBadFieldWithItsPrompt) {
    const char* const kTooLong = "Please enter no more than 16 characters.";
    const char* const kInteger = "Please enter an integer.";
    const char* const kPort = "Please enter an integer between 1 and 65535.";
    const char* const kNumber = "Please enter an integer between 1 and 11.";
    constexpr SetupKind kConnect = SetupKind::kConnect;
    constexpr SetupKind kReconnect = SetupKind::kReconnect;
    struct Case {
        SetupInput input;
        SetupKind kind;
        SetupField field;
        const char* prompt;
    };
    // The last two: the first failing field in the dialog's order is the one reported.
    const Case cases[] = {
        {typed(QString(17, 'a'), "6000"), kConnect, SetupField::kTeamName, kTooLong},
        {typed("Zamo", "port"), kConnect, SetupField::kServerPort, kInteger},
        {typed("Zamo", "6000x"), kConnect, SetupField::kServerPort, kInteger},
        {typed("Zamo", ""), kConnect, SetupField::kServerPort, kInteger},
        {typed("Zamo", "99999999999"), kConnect, SetupField::kServerPort, kInteger},
        {typed("Zamo", "0"), kConnect, SetupField::kServerPort, kPort},
        {typed("Zamo", "6000", "12"), kReconnect, SetupField::kPlayerNumber, kNumber},
        {typed("Zamo", "6000", "0"), kReconnect, SetupField::kPlayerNumber, kNumber},
        {typed("Zamo", "6000", "five"), kReconnect, SetupField::kPlayerNumber, kInteger},
        {typed(QString(17, 'a'), "x", "12"), kReconnect, SetupField::kTeamName, kTooLong},
        {typed("Zamo", "x", "12"), kReconnect, SetupField::kPlayerNumber, kNumber},
    };
    for (const Case& c : cases) {
        SetupValues values = kValues;
        const auto refusal = checkSetup(c.input, c.kind, values);
        ASSERT_TRUE(refusal.has_value()) << c.prompt;
        EXPECT_EQ(refusal->field, c.field) << c.prompt;
        EXPECT_EQ(refusal->prompt, QString::fromLatin1(c.prompt));
        // Nothing is taken from a refused dialog.
        EXPECT_EQ(values.teamName, "Zamo_Left");
        EXPECT_EQ(values.serverPort, 6000);
    }
}

TEST(CheckSetup, AcceptedFieldsAreCopied) {
    SetupValues values = kValues;
    SetupInput input = typed(QString(16, 'b'), " 6001 ", "11");
    input.isGoalie = true;
    ASSERT_FALSE(checkSetup(input, SetupKind::kConnect, values));
    EXPECT_EQ(values.teamName, std::string(16, 'b'));
    EXPECT_TRUE(values.isGoalie);
    EXPECT_EQ(values.serverIp, "10.1.2.3");
    EXPECT_EQ(values.serverPort, 6001);
    EXPECT_EQ(values.uniformNumber, 0);  // not a field of "Connect Setup"

    // "Reconnect Setup" has no goalie box: the flag is left as it was.
    ASSERT_FALSE(checkSetup(typed("Zamo", "6002", "11"), SetupKind::kReconnect, values));
    EXPECT_EQ(values.uniformNumber, 11);
    EXPECT_TRUE(values.isGoalie);
    EXPECT_EQ(values.serverPort, 6002);
}

// The dialog stays open on a refused field, keeps what was typed, and takes a good value.
TEST(SetupDialog, ReconnectSetupRefusesNumberTwelveThenTakesThree) {
    SetupDialog dialog(SetupKind::kReconnect);
    QStringList prompts;
    dialog.setPromptHandler([&](const QString& prompt) { prompts << prompt; });
    EXPECT_EQ(dialog.findChild<QCheckBox*>(), nullptr);
    dialog.setValues(kValues);
    QLineEdit* number = dialog.findChild<QLineEdit*>(QStringLiteral("playerNumber"));
    ASSERT_NE(number, nullptr);

    number->setText(QStringLiteral("12"));
    dialog.accept();
    EXPECT_EQ(prompts.size(), 1);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.values().uniformNumber, 0);
    EXPECT_EQ(number->text(), QStringLiteral("12"));

    number->setText(QStringLiteral("3"));
    dialog.accept();
    EXPECT_EQ(prompts.size(), 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.values().uniformNumber, 3);
}

TEST(AboutBox, TitleTextAndOkButton) {
    AboutBox about;
    const auto* text = about.findChild<QLabel*>(QStringLiteral("aboutText"));
    const auto* buttons = about.findChild<QDialogButtonBox*>();
    ASSERT_TRUE(text != nullptr && buttons != nullptr);
    QStringList texts{about.windowTitle(), text->text()};
    for (const QAbstractButton* button : buttons->buttons()) {
        texts << button->text();
    }
    EXPECT_EQ(texts, (QStringList{"About Zamo Soccer", "Zamo Soccer Version 1.0", "OK"}));
}

}  // namespace
}  // namespace zamo
