#include "ui/windowsettings.h"

#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QSettings>
#include <QSplitter>

namespace corvath::ui {

namespace {
constexpr int kRecentEntries = 8;
const char* const kGeometryKey = "window/geometry";
const char* const kStateKey = "window/state";
}  // namespace

RecentList::RecentList(QString key, int capacity, QObject* parent)
    : QObject(parent), key_(std::move(key)), capacity_(capacity) {}

QStringList RecentList::paths() const {
  QStringList paths;
  for (const QStringList& entry : entries_) paths << entry.front();
  return paths;
}

void RecentList::add(const QStringList& entry) {
  if (entry.isEmpty()) return;
  std::erase(entries_, entry);
  entries_.insert(entries_.begin(), entry);
  if (entries_.size() > std::size_t(capacity_)) entries_.resize(std::size_t(capacity_));
  emit changed();
}

void RecentList::remove(const QStringList& entry) {
  if (std::erase(entries_, entry) > 0) emit changed();
}

void RecentList::replace(std::vector<QStringList> entries) {
  entries_ = std::move(entries);
  if (entries_.size() > std::size_t(capacity_)) entries_.resize(std::size_t(capacity_));
  emit changed();
}

WindowSettingsBinder::WindowSettingsBinder(QMainWindow& window)
    : QObject(&window),
      window_(window),
      recentRecords_(new RecentList("recent/records", kRecentEntries, this)),
      recentSessions_(new RecentList("recent/sessions", kRecentEntries, this)),
      recentSettings_(new RecentList("recent/settingsFiles", kRecentEntries, this)) {
  setObjectName("windowSettings");
  // Every list is written the one way, whenever it changes.
  for (RecentList* list : {recentRecords_, recentSessions_, recentSettings_})
    connect(list, &RecentList::changed, this, [this, list] { write(*list); });
  window.installEventFilter(this);
}

WindowSettingsBinder::~WindowSettingsBinder() = default;

void WindowSettingsBinder::useStore(std::unique_ptr<QSettings> store) {
  store_ = std::move(store);
  if (!store_) return;
  for (RecentList* list : {recentRecords_, recentSessions_, recentSettings_}) read(*list);
  for (QFileDialog* dialog : dialogs_) restoreFolder(*dialog);
  if (const QByteArray geometry = store_->value(kGeometryKey).toByteArray(); !geometry.isEmpty())
    geometryRestored_ = window_.restoreGeometry(geometry);
  if (const QByteArray state = store_->value(kStateKey).toByteArray(); !state.isEmpty()) window_.restoreState(state);
  for (QSplitter* splitter : window_.findChildren<QSplitter*>())
    if (!splitter->objectName().isEmpty())
      if (const QByteArray sizes = store_->value("splitters/" + splitter->objectName()).toByteArray(); !sizes.isEmpty())
        splitter->restoreState(sizes);
  for (const Binding& binding : bindings_)
    if (store_->contains(binding.key)) binding.restore(store_->value(binding.key));
}

void WindowSettingsBinder::read(RecentList& list) {
  std::vector<QStringList> entries;
  const int count = store_->beginReadArray(list.key());
  for (int i = 0; i < count; ++i) {
    store_->setArrayIndex(i);
    if (const QStringList files = store_->value("files").toStringList(); !files.isEmpty()) entries.push_back(files);
  }
  store_->endArray();
  if (count == 0)  // a list kept as plain paths by earlier versions
    for (const QString& path : store_->value(list.key()).toStringList()) entries.push_back({path});
  list.replace(std::move(entries));  // and written back in the one layout
}

void WindowSettingsBinder::write(const RecentList& list) {
  if (!store_) return;
  const std::vector<QStringList>& entries = list.entries();
  store_->remove(list.key());
  store_->beginWriteArray(list.key(), int(entries.size()));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    store_->setArrayIndex(int(i));
    store_->setValue("files", entries[i]);
  }
  store_->endArray();
  store_->sync();
}

void WindowSettingsBinder::rememberFolder(QFileDialog& dialog) {
  dialogs_.push_back(&dialog);
  if (store_) restoreFolder(dialog);
  connect(&dialog, &QDialog::accepted, this, [this, &dialog] {
    if (!store_) return;
    const QStringList chosen = dialog.selectedFiles();
    const QString folder =
        chosen.isEmpty() ? dialog.directory().absolutePath() : QFileInfo(chosen.front()).absolutePath();
    store_->setValue("folders/" + dialog.objectName(), folder);
  });
}

void WindowSettingsBinder::restoreFolder(QFileDialog& dialog) {
  const QString folder = store_->value("folders/" + dialog.objectName()).toString();
  if (!folder.isEmpty() && QFileInfo(folder).isDir()) dialog.setDirectory(folder);
}

void WindowSettingsBinder::bind(const QString& key, std::function<QVariant()> save,
                                std::function<void(const QVariant&)> restore) {
  bindings_.push_back({key, std::move(save), std::move(restore)});
  if (store_ && store_->contains(key)) bindings_.back().restore(store_->value(key));
}

void WindowSettingsBinder::remember() {
  if (!store_) return;
  store_->setValue(kGeometryKey, window_.saveGeometry());
  store_->setValue(kStateKey, window_.saveState());
  for (QSplitter* splitter : window_.findChildren<QSplitter*>())
    if (!splitter->objectName().isEmpty())
      store_->setValue("splitters/" + splitter->objectName(), splitter->saveState());
  for (const Binding& binding : bindings_)
    if (const QVariant value = binding.save(); value.isValid()) store_->setValue(binding.key, value);
  store_->sync();
}

bool WindowSettingsBinder::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::Close) remember();
  return QObject::eventFilter(watched, event);
}

}  // namespace corvath::ui
