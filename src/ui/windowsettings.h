#pragma once
// What the window remembers between runs, in one QSettings store: its geometry and
// the sizes of its splitters, the recent lists (record loads, sessions, settings
// files), the folder each file dialog was last accepted in, and the values other
// parts bind to it (the remembered form, the frequency scale, "Chains"). Nothing is
// kept before a store is given (the program gives the user's; tests give their own
// or none).
#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QStringList>
#include <QVariant>

class QFileDialog;
class QMainWindow;
class QSettings;

namespace corvath::ui {

//! A list of recent entries, newest first, each one file or the files of one record
//! load; the store holds it under its key.
class RecentList : public QObject {
  Q_OBJECT
public:
  RecentList(QString key, int capacity, QObject* parent);

  const std::vector<QStringList>& entries() const { return entries_; }
  //! The entries of one file each, as paths (sessions, settings files).
  QStringList paths() const;
  //! Puts entry first (moving it there when listed already) and drops the oldest
  //! beyond the capacity.
  void add(const QStringList& entry);
  void remove(const QStringList& entry);
  //! Replaces every entry (as read from the store), keeping the newest capacity.
  void replace(std::vector<QStringList> entries);
  const QString& key() const { return key_; }

signals:
  void changed();

private:
  QString key_;
  int capacity_;
  std::vector<QStringList> entries_;
};

class WindowSettingsBinder : public QObject {
  Q_OBJECT
public:
  //! Remembers window's geometry, and its splitters by their objectName.
  explicit WindowSettingsBinder(QMainWindow& window);
  ~WindowSettingsBinder() override;

  //! Keeps everything in store from now on and restores it from it now.
  void useStore(std::unique_ptr<QSettings> store);
  //! The store, or nothing before one is given.
  QSettings* store() const { return store_.get(); }
  //! True when the store gave the window its size and place.
  bool geometryRestored() const { return geometryRestored_; }

  RecentList& recentRecords() { return *recentRecords_; }
  RecentList& recentSessions() { return *recentSessions_; }
  RecentList& recentSettings() { return *recentSettings_; }

  //! Opens dialog in the folder it was last accepted in, and remembers the folder
  //! each time it is accepted (under "folders/" and its objectName).
  void rememberFolder(QFileDialog& dialog);
  //! A value kept under key: restore(value) when the store is given (only when it
  //! holds the key), save() asked when the window closes and by remember().
  void bind(const QString& key, std::function<QVariant()> save, std::function<void(const QVariant&)> restore);

  //! Writes the window's geometry, its splitters and every bound value now.
  void remember();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  struct Binding {
    QString key;
    std::function<QVariant()> save;
    std::function<void(const QVariant&)> restore;
  };
  void read(RecentList& list);
  void write(const RecentList& list);
  void restoreFolder(QFileDialog& dialog);

  QMainWindow& window_;
  std::unique_ptr<QSettings> store_;
  bool geometryRestored_ = false;
  RecentList* recentRecords_;
  RecentList* recentSessions_;
  RecentList* recentSettings_;
  std::vector<QFileDialog*> dialogs_;
  std::vector<Binding> bindings_;
};

}  // namespace corvath::ui
