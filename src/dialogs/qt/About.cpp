#include "dialogs/qt/About.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "dialogs/qt/HyperLbl.h"
#include "ui/ErrorReport.h"

namespace qp::dialogs {

namespace {

// A small newspaper drawn in place of a bitmap resource.
QPixmap NewsPicture() {
  QPixmap picture(96, 72);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  painter.setPen(QColor(0, 0, 128));
  painter.drawRect(0, 0, 95, 71);
  painter.fillRect(6, 6, 84, 12, QColor(0, 0, 128));
  for (int y = 24; y < 66; y += 6) {
    painter.drawLine(6, y, 44, y);
    painter.drawLine(52, y, 89, y);
  }
  return picture;
}

}  // namespace

TdlgAbout::TdlgAbout(ui::IWindowSystem& windowSystem, QWidget* parent) : QDialog(parent) {
  setObjectName("dlgAbout");
  setWindowTitle("About");

  auto* icon = new QLabel;
  icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
  auto* title = new QLabel("Quillpost - News Reader 2.0");
  title->setObjectName("lblTitle");
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  auto* text =
      new QLabel("A small reader for newsfeeds and Usenet news.\nFree to use and to pass on.");
  auto* picture = new QLabel;
  picture->setPixmap(NewsPicture());

  lblHome = new THyperLabel("Quillpost on the web");
  lblHome->setObjectName("lblHome");
  lblHome->URL = "https://quillpost.example.org/";
  lblMail = new THyperLabel("Write to the author");
  lblMail->setObjectName("lblMail");
  lblMail->URL = "mailto:author@quillpost.example.org";
  for (THyperLabel* link : {lblHome, lblMail}) {
    link->OnOpenURL = [&windowSystem](const std::string& url) {
      ui::Guarded(windowSystem, [&] { windowSystem.ShellOpen(url, "Open"); });
    };
  }

  auto* ok = new QPushButton("OK");
  ok->setObjectName("btnOK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* head = new QHBoxLayout;
  head->addWidget(icon);
  head->addWidget(title, 1);
  auto* body = new QHBoxLayout;
  auto* words = new QVBoxLayout;
  words->addWidget(text);
  words->addWidget(lblHome);
  words->addWidget(lblMail);
  words->addStretch(1);
  body->addLayout(words, 1);
  body->addWidget(picture);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addLayout(body);
  layout->addLayout(buttons);
  setFixedSize(sizeHint());
}

int TdlgAbout::ShowModal() {
  return exec() == QDialog::Accepted ? ui::idOK : ui::idCancel;
}

}  // namespace qp::dialogs
