// The connect and reconnect dialogs with their field checks.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;

namespace zamo {

// The values the set-up dialogs show and take.
struct SetupValues {
    std::string teamName;
    bool isGoalie = false;
    std::string serverIp;
    int serverPort = 0;
    int uniformNumber = 0;  // reconnect only; 0 while none is known
};

// The fields as typed, before they are checked.
struct SetupInput {
    QString teamName;
    bool isGoalie = false;
    QString serverIp;
    QString serverPort;
    QString playerNumber;  // reconnect only
};

enum class SetupKind { kConnect, kReconnect };

enum class SetupField { kTeamName, kPlayerNumber, kServerIp, kServerPort };

// Why a dialog refused its fields: the first failing field and the prompt shown for it.
struct SetupRefusal {
    SetupField field;
    QString prompt;
};

inline constexpr int kMaxTeamNameLength = 16;
inline constexpr int kMinPlayerNumber = 1;
inline constexpr int kMaxPlayerNumber = 11;
inline constexpr int kMinServerPort = 1;
inline constexpr int kMaxServerPort = 65535;

// Checks the fields in the dialog's order and, when all pass, copies them into values: the
// goalie box for "Connect Setup", the player number for "Reconnect Setup".
std::optional<SetupRefusal> checkSetup(const SetupInput& input, SetupKind kind,
                                       SetupValues& values);

// "Connect Setup" and "Reconnect Setup". OK checks the fields; a failing field keeps the dialog
// open with its prompt and takes the focus. A dialog object keeps what was typed between showings.
class SetupDialog : public QDialog {
    Q_OBJECT

  public:
    explicit SetupDialog(SetupKind kind, QWidget* parent = nullptr);

    SetupKind kind() const { return kind_; }
    // Fills the fields; the player number shows 0 while it is not known.
    void setValues(const SetupValues& values);
    // The values of the last accepted OK.
    const SetupValues& values() const { return values_; }
    void setTeamName(const std::string& teamName);

    // Where refusal prompts go; a message box unless replaced (tests read them instead).
    void setPromptHandler(std::function<void(const QString&)> handler);

    void accept() override;

  private:
    SetupInput input() const;
    QLineEdit* field(SetupField which) const;

    SetupKind kind_;
    QLineEdit* teamName_;
    QCheckBox* goalie_ = nullptr;
    QLineEdit* playerNumber_ = nullptr;
    QLineEdit* serverIp_;
    QLineEdit* serverPort_;
    SetupValues values_;
    std::function<void(const QString&)> promptHandler_;
};

}  // namespace zamo
