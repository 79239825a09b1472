// The about box.
#include "agent/ui/about_box.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace zamo {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Zamo Soccer"));
    auto* picture = new QLabel(this);
    picture->setPixmap(QApplication::style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32));
    auto* text = new QLabel(QStringLiteral("Zamo Soccer Version 1.0"), this);
    text->setObjectName(QStringLiteral("aboutText"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(picture);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

}  // namespace zamo
