// The connect and reconnect dialogs with their field checks.
#include "agent/ui/setup_dialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

namespace zamo {
namespace {

const QString kIntegerPrompt = QStringLiteral("Please enter an integer.");

QString rangePrompt(int low, int high) {
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(low).arg(high);
}

// A whole number with optional blanks around it; anything else, or one too large for an int,
// is not an integer.
std::optional<int> parseInteger(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<SetupRefusal> checkRange(const QString& text, SetupField field, int low, int high,
                                       int& out) {
    const std::optional<int> value = parseInteger(text);
    if (!value) {
        return SetupRefusal{field, kIntegerPrompt};
    }
    if (*value < low || *value > high) {
        return SetupRefusal{field, rangePrompt(low, high)};
    }
    out = *value;
    return std::nullopt;
}

}  // namespace

std::optional<SetupRefusal> checkSetup(const SetupInput& input, SetupKind kind,
                                       SetupValues& values) {
    SetupValues checked = values;
    if (input.teamName.size() > kMaxTeamNameLength) {
        return SetupRefusal{
            SetupField::kTeamName,
            QStringLiteral("Please enter no more than %1 characters.").arg(kMaxTeamNameLength)};
    }
    checked.teamName = input.teamName.toStdString();
    if (kind == SetupKind::kConnect) {
        checked.isGoalie = input.isGoalie;
    } else {
        if (auto refusal = checkRange(input.playerNumber, SetupField::kPlayerNumber,
                                      kMinPlayerNumber, kMaxPlayerNumber, checked.uniformNumber)) {
            return refusal;
        }
    }
    checked.serverIp = input.serverIp.toStdString();
    // A port outside the port range could never reach a server.
    if (auto refusal = checkRange(input.serverPort, SetupField::kServerPort, kMinServerPort,
                                  kMaxServerPort, checked.serverPort)) {
        return refusal;
    }
    values = checked;
    return std::nullopt;
}

SetupDialog::SetupDialog(SetupKind kind, QWidget* parent)
    : QDialog(parent),
      kind_(kind),
      teamName_(new QLineEdit(this)),
      serverIp_(new QLineEdit(this)),
      serverPort_(new QLineEdit(this)) {
    setWindowTitle(kind == SetupKind::kConnect ? QStringLiteral("Connect Setup")
                                               : QStringLiteral("Reconnect Setup"));
    teamName_->setObjectName(QStringLiteral("teamName"));
    serverIp_->setObjectName(QStringLiteral("serverIp"));
    serverPort_->setObjectName(QStringLiteral("serverPort"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Team Name"), teamName_);
    if (kind == SetupKind::kConnect) {
        goalie_ = new QCheckBox(QStringLiteral("Goalie"), this);
        goalie_->setObjectName(QStringLiteral("goalie"));
        form->addRow(QString(), goalie_);
    } else {
        playerNumber_ = new QLineEdit(this);
        playerNumber_->setObjectName(QStringLiteral("playerNumber"));
        form->addRow(QStringLiteral("Player Number"), playerNumber_);
    }
    form->addRow(QStringLiteral("Server IP"), serverIp_);
    form->addRow(QStringLiteral("Server Port"), serverPort_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SetupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    promptHandler_ = [this](const QString& prompt) {
        QMessageBox::warning(this, QCoreApplication::applicationName(), prompt);
    };
}

void SetupDialog::setValues(const SetupValues& values) {
    values_ = values;
    teamName_->setText(QString::fromStdString(values.teamName));
    if (goalie_ != nullptr) {
        goalie_->setChecked(values.isGoalie);
    }
    if (playerNumber_ != nullptr) {
        playerNumber_->setText(QString::number(values.uniformNumber));
    }
    serverIp_->setText(QString::fromStdString(values.serverIp));
    serverPort_->setText(QString::number(values.serverPort));
}

void SetupDialog::setTeamName(const std::string& teamName) {
    teamName_->setText(QString::fromStdString(teamName));
}

void SetupDialog::setPromptHandler(std::function<void(const QString&)> handler) {
    promptHandler_ = std::move(handler);
}

SetupInput SetupDialog::input() const {
    SetupInput input;
    input.teamName = teamName_->text();
    input.isGoalie = goalie_ != nullptr && goalie_->isChecked();
    input.serverIp = serverIp_->text();
    input.serverPort = serverPort_->text();
    if (playerNumber_ != nullptr) {
        input.playerNumber = playerNumber_->text();
    }
    return input;
}

QLineEdit* SetupDialog::field(SetupField which) const {
    switch (which) {
        case SetupField::kTeamName:
            return teamName_;
        case SetupField::kPlayerNumber:
            return playerNumber_;
        case SetupField::kServerIp:
            return serverIp_;
        case SetupField::kServerPort:
            return serverPort_;
    }
    return teamName_;
}

void SetupDialog::accept() {
    const std::optional<SetupRefusal> refusal = checkSetup(input(), kind_, values_);
    if (refusal) {
        if (promptHandler_) {
            promptHandler_(refusal->prompt);
        }
        QLineEdit* failing = field(refusal->field);
        failing->setFocus();
        failing->selectAll();
        return;
    }
    QDialog::accept();
}

}  // namespace zamo
