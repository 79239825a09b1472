#pragma once

#include <QDialog>

namespace zamo {

// "About Zamo Manager": the program's name and version and an OK button.
class AboutDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace zamo
