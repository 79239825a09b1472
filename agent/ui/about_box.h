// The about box.
#pragma once

#include <QDialog>

namespace zamo {

// "About Zamo Soccer": the program's name and version and an OK button.
class AboutBox : public QDialog {
    Q_OBJECT

  public:
    explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace zamo
