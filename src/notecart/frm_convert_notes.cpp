#include "notecart/frm_convert_notes.h"

#include "common/center_form.h"
#include "notecart/clickable_label.h"
#include "platform/window_role.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>

#include <utility>

namespace tavrik::notecart {

namespace {

const DialogTitle kNotesTitle(QStringLiteral("Source Files Vorbel Notes files :"));
const QString kNotesFilter = QStringLiteral("Vorbel Notes Files (*.ISD)|*.ISD");
const DialogTitle kLogbookTitle(QStringLiteral("Vorbel32 Logbook :"));
const QString kLogbookFilter = QStringLiteral("Logbook Files (*.ISD)|*.ISD");

} // namespace

QString TextBoxPathFor(const QString& chosenName)
{
    // The name keeps its letter case: where "Log.isd" and "log.isd" lie side by side, an
    // upper-cased name would open whichever the library finds first, not the one chosen.
    if (chosenName.right(4).compare(QStringLiteral(".ISD"), Qt::CaseInsensitive) == 0)
        return chosenName.left(chosenName.size() - 4);
    return chosenName;
}

frmConvertNotes::frmConvertNotes(IsamLibrary& library, NotecartDialogs& dialogs, Clock& clock,
                                 QWidget* parent)
    : QWidget(parent), lblNotesFile(new QLabel(QStringLiteral("Vorbel Notes are in this file :"))),
      txtNotesFile(new QLineEdit), lblBrowse(new ClickableLabel(QStringLiteral("Browse ..."))),
      lblLogbook(new QLabel(QStringLiteral("Transfer Vorbel Notes to this Vorbel32 Logbook :"))),
      txtLogbook(new QLineEdit), cmdBrowseLogbook(new QPushButton(QStringLiteral("Browse ..."))),
      ckOperatorOnly(new QCheckBox(QStringLiteral("Notes are ONLY for the operator listed below"))),
      txtOperator(new QLineEdit), cmdStart(new QPushButton(QStringLiteral("Start"))),
      cmdStop(new QPushButton(QStringLiteral("Stop"))), lblProgress(new QLabel),
      progress(new QProgressBar),
      lblLog(new QLabel(QStringLiteral("Notes for these Callsigns transferred :"))),
      txtLog(new QPlainTextEdit), dialogs_(dialogs), transfer_(library, dialogs, *this, clock)
{
    AnnouncePlainWindowsAsWindows();
    setWindowTitle(QStringLiteral("Convert Vorbel Notes to Vorbel32"));
    // Each control carries its name on the form, for whatever looks a control up by name.
    const std::pair<QWidget*, const char*> formNames[] = {
        {lblNotesFile, "Label1"}, {txtNotesFile, "Text1"}, {lblBrowse, "lblBrowse"},
        {lblLogbook, "Label2"}, {txtLogbook, "Text2"}, {cmdBrowseLogbook, "Command1"},
        {ckOperatorOnly, "Check1"}, {txtOperator, "Text4"}, {cmdStart, "Command2"},
        {lblLog, "Label3"}, {txtLog, "Text3"},
    };
    for (const auto& [control, name] : formNames)
        control->setObjectName(QLatin1String(name));

    txtOperator->setMaxLength(20);
    txtOperator->setMaximumWidth(160);
    txtOperator->setPlaceholderText(QStringLiteral("Operator callsign"));
    // Hidden, it keeps its place, so the window does not jump when the box is checked.
    QSizePolicy keepPlace = txtOperator->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    txtOperator->setSizePolicy(keepPlace);
    txtOperator->hide();

    cmdStop->setEnabled(false);
    cmdStop->setToolTip(QStringLiteral("Stops the transfer after the note in hand"));
    // The bar moves while a transfer runs; between runs the label tells how the last one went.
    progress->setRange(0, 0);
    progress->setTextVisible(false);
    QSizePolicy barPlace = progress->sizePolicy();
    barPlace.setRetainSizeWhenHidden(true);
    progress->setSizePolicy(barPlace);
    progress->hide();
    lblProgress->setMinimumWidth(220);

    txtLog->setReadOnly(true);
    txtLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtLog->setMinimumHeight(220);

    auto* grid = new QGridLayout;
    grid->setColumnStretch(0, 1);
    grid->addWidget(lblNotesFile, 0, 0, 1, 2);
    grid->addWidget(txtNotesFile, 1, 0);
    grid->addWidget(lblBrowse, 1, 1, Qt::AlignCenter);
    grid->setRowMinimumHeight(2, 6);
    grid->addWidget(lblLogbook, 3, 0, 1, 2);
    grid->addWidget(txtLogbook, 4, 0);
    grid->addWidget(cmdBrowseLogbook, 4, 1);

    auto* run = new QHBoxLayout;
    run->addWidget(cmdStart);
    run->addWidget(cmdStop);
    run->addSpacing(12);
    run->addWidget(lblProgress);
    run->addWidget(progress, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addWidget(ckOperatorOnly);
    auto* operatorRow = new QHBoxLayout;
    operatorRow->addSpacing(22);
    operatorRow->addWidget(txtOperator);
    operatorRow->addStretch();
    layout->addLayout(operatorRow);
    layout->addSpacing(6);
    layout->addLayout(run);
    layout->addSpacing(6);
    layout->addWidget(lblLog);
    layout->addWidget(txtLog, 1);
    resize(620, 520);

    connect(lblBrowse, &ClickableLabel::clicked, this,
            [this] { browse(txtNotesFile, kNotesTitle, kNotesFilter); });
    connect(cmdBrowseLogbook, &QPushButton::clicked, this,
            [this] { browse(txtLogbook, kLogbookTitle, kLogbookFilter); });
    connect(ckOperatorOnly, &QCheckBox::toggled, txtOperator, &QWidget::setVisible);
    connect(cmdStart, &QPushButton::clicked, this, &frmConvertNotes::onStart);
    connect(cmdStop, &QPushButton::clicked, this, [this] { transfer_.requestStop(); });
}

void frmConvertNotes::browse(QLineEdit* target, const DialogTitle& title, const QString& filter)
{
    const QString chosen = dialogs_.chooseFile(title, filter, target->text());
    if (chosen.isEmpty())
        return;
    target->setText(TextBoxPathFor(chosen));
}

void frmConvertNotes::onStart()
{
    // Start stays off during a run: its events are handled inside the run.
    cmdStart->setEnabled(false);
    cmdStop->setEnabled(true);
    progress->show();
    lblProgress->clear();
    transfer_.start(txtNotesFile->text(), txtLogbook->text());
    flushLog();
    progress->hide();
    cmdStop->setEnabled(false);
    cmdStart->setEnabled(true);
}

bool frmConvertNotes::operatorFilterOn() const
{
    return ckOperatorOnly->isChecked();
}

QString frmConvertNotes::operatorCall() const
{
    return txtOperator->text();
}

void frmConvertNotes::startLog(const QString& text)
{
    txtLog->clear();
    pendingLog_ = text;
}

void frmConvertNotes::appendLog(const QString& text)
{
    pendingLog_ += text;
}

// The log reaches the box in pieces, when the window gets its turn: a box redrawn for every
// note would cost more than the transfer.
void frmConvertNotes::flushLog()
{
    if (pendingLog_.isEmpty())
        return;
    QTextCursor end(txtLog->document());
    end.movePosition(QTextCursor::End);
    end.insertText(pendingLog_);
    pendingLog_.clear();
    txtLog->verticalScrollBar()->setValue(txtLog->verticalScrollBar()->maximum());
}

void frmConvertNotes::showProgress(int notesRead, const QString& call)
{
    lblProgress->setText(QStringLiteral("%1 notes read, last %2").arg(notesRead).arg(call));
}

void frmConvertNotes::processEvents()
{
    flushLog();
    QCoreApplication::processEvents();
}

void frmConvertNotes::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    CenterForm(*this);
}

void frmConvertNotes::closeEvent(QCloseEvent* event)
{
    // During a transfer the run stops before its next note and closes the files itself.
    if (transfer_.running())
        transfer_.requestStop();
    else
        transfer_.closeFiles();
    event->accept();
}

} // namespace tavrik::notecart
