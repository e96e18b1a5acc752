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

#include <utility>

namespace tavrik::conversion {

Convert::Convert(ConversionDialogs& dialogs, Clock& clock, const QString& programFolder,
                 QWidget* parent)
    : QWidget(parent),
      ckSecondWordsInComment(new QCheckBox(QStringLiteral("Check to put second word(s) in the ADIF COMMENTS field"))),
      ckSecondWordsInQth(new QCheckBox(QStringLiteral("Check to put second word(s) in the ADIF QTH field"))),
      cmdStart(new QPushButton(QStringLiteral("Start"))), cmdAbort(new QPushButton(QStringLiteral("Abort"))),
      cmdExit(new QPushButton(QStringLiteral("Exit"))), txtCall(new QLineEdit),
      progress(new QProgressBar),
      run_(dialogs, *this, clock, programFolder, QStringLiteral("Conversion"))
{
    AnnouncePlainWindowsAsWindows();
    setWindowTitle(QStringLiteral("Conversion tool"));
    // Each control carries its name on the form, for whatever looks a control up by name.
    const std::pair<QWidget*, const char*> formNames[] = {
        {ckSecondWordsInComment, "Check1"}, {ckSecondWordsInQth, "Check2"},
        {cmdStart, "Command1"}, {cmdAbort, "Command2"}, {cmdExit, "Command3"}, {txtCall, "Text1"},
    };
    for (const auto& [control, name] : formNames)
        control->setObjectName(QLatin1String(name));
    ckSecondWordsInComment->setChecked(true);
    txtCall->setReadOnly(true);
    txtCall->setFocusPolicy(Qt::NoFocus);
    progress->setRange(0, 1000);
    progress->setValue(0);
    progress->setTextVisible(false);

    auto* status = new QFormLayout;
    status->addRow(QStringLiteral("Callsign:"), txtCall);
    status->addRow(QStringLiteral("Progress:"), progress);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdStart);
    buttons->addWidget(cmdAbort);
    buttons->addWidget(cmdExit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ckSecondWordsInComment);
    layout->addWidget(ckSecondWordsInQth);
    layout->addSpacing(8);
    layout->addLayout(status);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdStart, &QPushButton::clicked, this, &Convert::onStart);
    connect(cmdAbort, &QPushButton::clicked, this, [this] { run_.requestAbort(); });
    connect(cmdExit, &QPushButton::clicked, this, &QWidget::close);
    connect(ckSecondWordsInComment, &QCheckBox::toggled, this, &Convert::onCommentToggled);
    connect(ckSecondWordsInQth, &QCheckBox::toggled, this, &Convert::onQthToggled);
}

void Convert::onStart()
{
    // Start stays off during a run: its events are handled inside the run, and a second run
    // there would write into the same CONVERTED.ADI.
    running_ = true;
    cmdStart->setEnabled(false);
    cmdExit->setEnabled(false);
    progress->setValue(0);
    run_.start();
    cmdExit->setEnabled(true);
    cmdStart->setEnabled(true);
    running_ = false;
}

void Convert::onCommentToggled(bool checked)
{
    if (checked)
        ckSecondWordsInQth->setChecked(false);
}

void Convert::onQthToggled(bool checked)
{
    if (checked)
        ckSecondWordsInComment->setChecked(false);
}

SecondWords Convert::secondWords() const
{
    if (ckSecondWordsInComment->isChecked())
        return SecondWords::Comment;
    if (ckSecondWordsInQth->isChecked())
        return SecondWords::Qth;
    return SecondWords::Drop;
}

void Convert::showProgress(const QString& call, qint64 bytesDone, qint64 bytesTotal)
{
    txtCall->setText(call);
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
