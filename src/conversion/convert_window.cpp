#include "conversion/convert_window.h"

#include "common/center_form.h"
#include "platform/window_role.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavrik::conversion {

Convert::Convert(ConversionDialogs& dialogs, Clock& clock, const QString& programFolder,
                 QWidget* parent)
    : QWidget(parent),
      Check1(new QCheckBox(QStringLiteral("Check to put second word(s) in the ADIF COMMENTS field"))),
      Check2(new QCheckBox(QStringLiteral("Check to put second word(s) in the ADIF QTH field"))),
      Command1(new QPushButton(QStringLiteral("Start"))),
      Command2(new QPushButton(QStringLiteral("Abort"))),
      Command3(new QPushButton(QStringLiteral("Exit"))), Text1(new QLineEdit),
      progress(new QProgressBar),
      run_(dialogs, *this, clock, programFolder, QStringLiteral("Conversion"))
{
    AnnouncePlainWindowsAsWindows();
    setWindowTitle(QStringLiteral("Conversion tool"));
    Check1->setChecked(true);
    Text1->setReadOnly(true);
    Text1->setFocusPolicy(Qt::NoFocus);
    progress->setRange(0, 1000);
    progress->setValue(0);
    progress->setTextVisible(false);

    auto* status = new QFormLayout;
    status->addRow(QStringLiteral("Callsign:"), Text1);
    status->addRow(QStringLiteral("Progress:"), progress);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Check1);
    layout->addWidget(Check2);
    layout->addSpacing(8);
    layout->addLayout(status);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Command1, &QPushButton::clicked, this, &Convert::onStart);
    connect(Command2, &QPushButton::clicked, this, [this] { run_.requestAbort(); });
    connect(Command3, &QPushButton::clicked, this, &QWidget::close);
    connect(Check1, &QCheckBox::toggled, this, &Convert::onCheck1);
    connect(Check2, &QCheckBox::toggled, this, &Convert::onCheck2);
}

void Convert::onStart()
{
    // Start stays off during a run: its events are handled inside the run, and a second run
    // there would write into the same CONVERTED.ADI.
    running_ = true;
    Command1->setEnabled(false);
    Command3->setEnabled(false);
    progress->setValue(0);
    run_.start();
    Command3->setEnabled(true);
    Command1->setEnabled(true);
    running_ = false;
}

void Convert::onCheck1(bool checked)
{
    if (checked)
        Check2->setChecked(false);
}

void Convert::onCheck2(bool checked)
{
    if (checked)
        Check1->setChecked(false);
}

SecondWords Convert::secondWords() const
{
    if (Check1->isChecked())
        return SecondWords::Comment;
    if (Check2->isChecked())
        return SecondWords::Qth;
    return SecondWords::Drop;
}

void Convert::showProgress(const QString& call, qint64 bytesDone, qint64 bytesTotal)
{
    Text1->setText(call);
    const qint64 permille = bytesTotal > 0 ? bytesDone * 1000 / bytesTotal : 1000;
    progress->setValue(static_cast<int>(permille < 1000 ? permille : 1000));
}

void Convert::processEvents()
{
    QCoreApplication::processEvents();
}

void Convert::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    CenterForm(*this);
}

void Convert::closeEvent(QCloseEvent* event)
{
    // Closed from its frame during a run: the run stops at its next line and finishes.
    if (running_)
        run_.requestAbort();
    event->accept();
}

} // namespace tavrik::conversion
