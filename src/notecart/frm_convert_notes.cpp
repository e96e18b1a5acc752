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
    : QWidget(parent), Label1(new QLabel(QStringLiteral("Vorbel Notes are in this file :"))),
      Text1(new QLineEdit), lblBrowse(new ClickableLabel(QStringLiteral("Browse ..."))),
      Label2(new QLabel(QStringLiteral("Transfer Vorbel Notes to this Vorbel32 Logbook :"))),
      Text2(new QLineEdit), Command1(new QPushButton(QStringLiteral("Browse ..."))),
      Check1(new QCheckBox(QStringLiteral("Notes are ONLY for the operator listed below"))),
      Text4(new QLineEdit), Command2(new QPushButton(QStringLiteral("Start"))),
      cmdStop(new QPushButton(QStringLiteral("Stop"))), lblProgress(new QLabel),
      progress(new QProgressBar),
      Label3(new QLabel(QStringLiteral("Notes for these Callsigns transferred :"))),
      Text3(new QPlainTextEdit), dialogs_(dialogs), transfer_(library, dialogs, *this, clock)
{
    AnnouncePlainWindowsAsWindows();
    setWindowTitle(QStringLiteral("Convert Vorbel Notes to Vorbel32"));

    Text4->setMaxLength(20);
    Text4->setMaximumWidth(160);
    Text4->setPlaceholderText(QStringLiteral("Operator callsign"));
    // Hidden, it keeps its place, so the window does not jump when the box is checked.
    QSizePolicy keepPlace = Text4->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    Text4->setSizePolicy(keepPlace);
    Text4->hide();

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

    Text3->setReadOnly(true);
    Text3->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text3->setMinimumHeight(220);

    auto* grid = new QGridLayout;
    grid->setColumnStretch(0, 1);
    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(Text1, 1, 0);
    grid->addWidget(lblBrowse, 1, 1, Qt::AlignCenter);
    grid->setRowMinimumHeight(2, 6);
    grid->addWidget(Label2, 3, 0, 1, 2);
    grid->addWidget(Text2, 4, 0);
    grid->addWidget(Command1, 4, 1);

    auto* run = new QHBoxLayout;
    run->addWidget(Command2);
    run->addWidget(cmdStop);
    run->addSpacing(12);
    run->addWidget(lblProgress);
    run->addWidget(progress, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addWidget(Check1);
    auto* operatorRow = new QHBoxLayout;
    operatorRow->addSpacing(22);
    operatorRow->addWidget(Text4);
    operatorRow->addStretch();
    layout->addLayout(operatorRow);
    layout->addSpacing(6);
    layout->addLayout(run);
    layout->addSpacing(6);
    layout->addWidget(Label3);
    layout->addWidget(Text3, 1);
    resize(620, 520);

    connect(lblBrowse, &ClickableLabel::clicked, this,
            [this] { browse(Text1, kNotesTitle, kNotesFilter); });
    connect(Command1, &QPushButton::clicked, this,
            [this] { browse(Text2, kLogbookTitle, kLogbookFilter); });
    connect(Check1, &QCheckBox::toggled, Text4, &QWidget::setVisible);
    connect(Command2, &QPushButton::clicked, this, &frmConvertNotes::onStart);
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
    Command2->setEnabled(false);
    cmdStop->setEnabled(true);
    progress->show();
    lblProgress->clear();
    transfer_.start(Text1->text(), Text2->text());
    flushLog();
    progress->hide();
    cmdStop->setEnabled(false);
    Command2->setEnabled(true);
}

bool frmConvertNotes::operatorFilterOn() const
{
    return Check1->isChecked();
}

QString frmConvertNotes::operatorCall() const
{
    return Text4->text();
}

void frmConvertNotes::startLog(const QString& text)
{
    Text3->clear();
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
    QTextCursor end(Text3->document());
    end.movePosition(QTextCursor::End);
    end.insertText(pendingLog_);
    pendingLog_.clear();
    Text3->verticalScrollBar()->setValue(Text3->verticalScrollBar()->maximum());
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
