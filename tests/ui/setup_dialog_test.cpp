#include "agent/ui/setup_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

#include "agent/ui/about_box.h"

namespace zamo {
namespace {

SetupValues someValues() {
    SetupValues values;
    values.teamName = "Zamo_Left";
    values.isGoalie = false;
    values.serverIp = "127.0.0.1";
    values.serverPort = 6000;
    values.uniformNumber = 0;
    return values;
}

SetupInput typed(QString team, QString port, QString number = QStringLiteral("5")) {
    SetupInput input;
    input.teamName = team;
    input.serverIp = QStringLiteral("10.1.2.3");
    input.serverPort = port;
    input.playerNumber = number;
    return input;
}

TEST(CheckSetup, RefusesEachBadFieldWithItsPrompt) {
    struct Case {
        SetupInput input;
        SetupKind kind;
        SetupField field;
        const char* prompt;
    };
    const Case cases[] = {
        {typed(QString(17, 'a'), "6000"), SetupKind::kConnect, SetupField::kTeamName,
         "Please enter no more than 16 characters."},
        {typed("Zamo", "port"), SetupKind::kConnect, SetupField::kServerPort,
         "Please enter an integer."},
        {typed("Zamo", "6000x"), SetupKind::kConnect, SetupField::kServerPort,
         "Please enter an integer."},
        {typed("Zamo", ""), SetupKind::kConnect, SetupField::kServerPort,
         "Please enter an integer."},
        {typed("Zamo", "99999999999"), SetupKind::kConnect, SetupField::kServerPort,
         "Please enter an integer."},
        {typed("Zamo", "0"), SetupKind::kConnect, SetupField::kServerPort,
         "Please enter an integer between 1 and 65535."},
        {typed("Zamo", "6000", "12"), SetupKind::kReconnect, SetupField::kPlayerNumber,
         "Please enter an integer between 1 and 11."},
        {typed("Zamo", "6000", "0"), SetupKind::kReconnect, SetupField::kPlayerNumber,
         "Please enter an integer between 1 and 11."},
        {typed("Zamo", "6000", "five"), SetupKind::kReconnect, SetupField::kPlayerNumber,
         "Please enter an integer."},
        // The first failing field in the dialog's order is the one reported.
        {typed(QString(17, 'a'), "x", "12"), SetupKind::kReconnect, SetupField::kTeamName,
         "Please enter no more than 16 characters."},
        {typed("Zamo", "x", "12"), SetupKind::kReconnect, SetupField::kPlayerNumber,
         "Please enter an integer between 1 and 11."},
    };
    for (const Case& c : cases) {
        SetupValues values = someValues();
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
    SetupValues values = someValues();
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

class SetupDialogTest : public testing::Test {
  protected:
    template <typename T>
    T* child(QDialog& dialog, const char* name) {
        T* found = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    void capturePrompts(SetupDialog& dialog) {
        dialog.setPromptHandler([this](const QString& prompt) { prompts_ << prompt; });
    }

    QStringList prompts_;
};

TEST_F(SetupDialogTest, ReconnectSetupRefusesNumberTwelve) {
    SetupDialog dialog(SetupKind::kReconnect);
    capturePrompts(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Reconnect Setup"));
    EXPECT_EQ(dialog.findChild<QCheckBox*>(), nullptr);
    dialog.setValues(someValues());
    // An unknown number shows as 0.
    EXPECT_EQ(child<QLineEdit>(dialog, "playerNumber")->text(), QStringLiteral("0"));

    child<QLineEdit>(dialog, "playerNumber")->setText(QStringLiteral("12"));
    dialog.accept();
    EXPECT_EQ(prompts_, QStringList{QStringLiteral("Please enter an integer between 1 and 11.")});
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.values().uniformNumber, 0);

    child<QLineEdit>(dialog, "playerNumber")->setText(QStringLiteral("3"));
    dialog.accept();
    EXPECT_EQ(prompts_.size(), 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.values().uniformNumber, 3);
}

TEST_F(SetupDialogTest, ConnectSetupRefusesALongTeamNameAndKeepsWhatWasTyped) {
    SetupDialog dialog(SetupKind::kConnect);
    capturePrompts(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Connect Setup"));
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("playerNumber")), nullptr);
    dialog.setValues(someValues());
    EXPECT_EQ(child<QLineEdit>(dialog, "serverIp")->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(child<QLineEdit>(dialog, "serverPort")->text(), QStringLiteral("6000"));

    child<QLineEdit>(dialog, "teamName")->setText(QStringLiteral("ABCDEFGHIJKLMNOPQ"));
    child<QLineEdit>(dialog, "serverIp")->setText(QStringLiteral("192.0.2.1"));
    child<QCheckBox>(dialog, "goalie")->setChecked(true);
    dialog.accept();
    EXPECT_EQ(prompts_, QStringList{QStringLiteral("Please enter no more than 16 characters.")});
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.values().teamName, "Zamo_Left");
    // The typed text stays in the fields.
    EXPECT_EQ(child<QLineEdit>(dialog, "teamName")->text().size(), 17);

    // Shown again with the team name from the configuration, the other fields as typed.
    dialog.setTeamName("Zamo_Left");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.values().serverIp, "192.0.2.1");
    EXPECT_TRUE(dialog.values().isGoalie);
}

TEST_F(SetupDialogTest, AboutBox) {
    AboutBox about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Zamo Soccer"));
    EXPECT_EQ(child<QLabel>(about, "aboutText")->text(), QStringLiteral("Zamo Soccer Version 1.0"));
}

}  // namespace
}  // namespace zamo
