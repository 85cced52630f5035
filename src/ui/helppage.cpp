#include "ui/helppage.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "app/version.h"
#include "ui/menus.h"

namespace corvath::ui {

QString HelpText() {
  return R"(<h2>Working with Corvath</h2>
<p>Corvath computes the horizontal-to-vertical spectral ratio (H/V) of a three-component
ambient-vibration record and fits it with a layered ground model.</p>
<h3>1. Load a record</h3>
<p><b>File → Load saf/sg2 file</b> (Ctrl+O) opens a SAF, SEG-2, Delta, miniSEED or SAC record;
under "All supported files" the kind is told by the file's content. Three files of one
station (SAC, miniSEED, or component text files) are chosen together, or with
<b>File → Load components</b> (Ctrl+Shift+O) as X, Y and Z. Files can also be dropped on the
window. The status bar names the loaded record, its sampling rate and length.</p>
<h3>2. Mark analysis windows</h3>
<p>On the <i>Time series</i> tab, switch on <b>Add window</b> and drag across a chart to mark a
stretch of quiet record; <b>Remove window</b> then a click takes one away; drag an edge to
resize. Without windows the whole record is cut automatically. The wheel and the scroll bar
move along the record, <b>Zoom in/out</b> change its scale, a double click or Home shows all.
<b>Remove zero</b> subtracts a running mean (Cancel leaves the record as it is).
Every change to the record, the windows and the model can be undone with Ctrl+Z and redone
with Ctrl+Shift+Z (<b>Edit</b> menu).</p>
<h3>3. Calculate spectra</h3>
<p><b>Analysis → Calculate spectra</b> (F5) computes the spectra and the H/V ratio over the
windows, between <i>Min frq</i> and <i>Max frq</i> (on the <i>1D inversion</i> tab), smoothed when
<b>Smoothed spectra</b> is on. The results are on the <i>Spectra</i> and <i>Ratio</i> tabs; the
peak is labelled. When the ratio still rises at the band's edge, the status says the peak
may lie outside the band: widen it.</p>
<h3>4. Field-standard H/V</h3>
<p>Choose <i>Field standard</i> beside Calculate spectra: Konno–Ohmachi smoothing, per-window
statistics, rejection of outlying windows, f0 and A0 with their uncertainty and the
reliability and clarity criteria, reported beside the ratio chart. <i>Passes</i> limits how
often the rejection repeats; tick <i>Peak search band</i> to look for f0 only between its two
frequencies.</p>
<p><b>Which windows count.</b> Without analysis windows the record is cut into windows of
<i>Window, s</i>; analysis windows you draw are the time ranges cut so, and the report says how
many windows came from each. Tick <i>STA/LTA windows</i> to keep only windows where
the short-term average of each component stays between min and max times its long-term average
(footsteps, traffic and machinery leave the rest out); <b>Analysis → Select windows
automatically</b> makes those windows analysis windows you can edit. Each window's band on
<i>Time series</i> is grey when kept and red when rejected; point at it for why. The
<i>Windows</i> tab shows every window's curve against its start time, so you see when the peak
moved. Tick <i>Azimuths</i> for the H/V of each direction on the <i>Azimuths</i> tab, with f0
against the azimuth and whether the peak is directional. <b>File → Save H/V results…</b>
writes the curve as a .hv file, the windows with their fate, their curves or the azimuths;
<b>Inversion → Open observed curve…</b> reads a .hv file as the curve to fit.</p>
<h3>5. The layered model</h3>
<p>On the <i>1D inversion</i> tab set the number of layers and type thicknesses, velocities,
densities and quality factors into the table. A right click on a value switches it between
fixed and inverted; a click on a heading opens the bounds of that parameter. Calculate
spectra on this tab draws the model's theoretical curve "H/Zc" over the observed one.</p>
<h3>6. Inversion</h3>
<p><b>Start inversion</b> fits the inverted values to the observed curve (optionally with a
global search first). The misfit is shown beside the progress bar; the same button stops the
run, keeping the best model so far. <b>Chains</b> beside the global search runs that many
independent searches side by side and keeps the best; every model they accepted close to the
best misfit forms an ensemble, drawn as a Vs band behind the profile and a band of curves
behind the observed one, with f0 and the depth to the half-space and their 5–95 % range.
Warnings say where the result is weak.</p>
<h3>7. Save</h3>
<p><b>File → Save results</b> (Ctrl+S) writes the spectra and ratio as a text table (with or
without the error bounds) or a workbook, whose second sheet holds every number at full
precision with the settings; or the model as text. <b>File → Save model…</b> writes the model
with every value exact, with Ref frq and K degree, and <b>Open model…</b> reads it back (the
batch command reads the same file). Each chart's context menu saves it as an image.</p>
<h3>8. Sessions</h3>
<p><b>File → Save session…</b> (Ctrl+Alt+S) keeps the whole work: the record's files and
channels, the windows, every setting, the model and which results were shown.
<b>Open session…</b> (Ctrl+Alt+O) loads the record again and recomputes those results. Recent
records and sessions are in the File menu; the settings and the last folders are remembered
between runs.</p>
<p>Messages stay in the bar under the tabs; <b>View → Messages</b> lists all of them.</p>)";
}

QString AboutText() {
  QString libraries = QString("Qt %1<br>QCustomPlot %2").arg(qVersion(), QCUSTOMPLOT_VERSION_STR);
  for (const auto& [name, version] : app::LibraryVersions())
    libraries += QString("<br>%1 %2").arg(QString::fromStdString(name), QString::fromStdString(version));
  return QString("<h3>Corvath %1</h3><p>Horizontal-to-vertical spectral ratio of ambient vibrations, "
                 "and its inversion for a layered ground model.</p><p>Built with:<br>%2</p>")
      .arg(QString::fromStdString(app::ProgramVersion()), libraries);
}

void AddHelpMenu(QMainWindow& window) {
  QMenu* menu = TopMenu(window, "Help");
  QAction* help = menu->addAction("Corvath help");
  help->setObjectName("helpAction");
  help->setShortcut(QKeySequence::HelpContents);  // F1
  QObject::connect(help, &QAction::triggered, &window, [&window] {
    auto* page = window.findChild<QDialog*>("helpPage");
    if (!page) {
      page = new QDialog(&window);
      page->setObjectName("helpPage");
      page->setWindowTitle("Corvath help");
      auto* column = new QVBoxLayout(page);
      auto* text = new QTextBrowser(page);
      text->setHtml(HelpText());
      column->addWidget(text);
      auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, page);
      QObject::connect(buttons, &QDialogButtonBox::rejected, page, &QDialog::close);
      column->addWidget(buttons);
      page->resize(560, 620);
    }
    page->show();  // beside the window, not modal: the user works while reading
    page->raise();
  });
  QAction* about = menu->addAction("About Corvath");
  about->setObjectName("aboutAction");
  about->setMenuRole(QAction::AboutRole);
  QObject::connect(about, &QAction::triggered, &window,
                   [&window] { QMessageBox::about(&window, "About Corvath", AboutText()); });
}

}  // namespace corvath::ui
