#pragma once
// TSHChangeNotify: the system's notifications of drives, media and files that change, turned
// into events with plain path texts. A notification backend (udev, a file watcher, a fake in
// tests) reports them; the component keeps the events' contract: the mask of assigned events,
// the repeat filter, the letter case, and delivery on its owner's thread.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace vexo {

enum class TTextCase { tcAsIs, tcUppercase, tcLowercase };

// Event codes of the notifications.
enum ShellEvent : quint32 {
  SHCNE_RENAMEITEM = 0x1,
  SHCNE_CREATE = 0x2,
  SHCNE_DELETE = 0x4,
  SHCNE_MKDIR = 0x8,
  SHCNE_RMDIR = 0x10,
  SHCNE_MEDIAINSERTED = 0x20,
  SHCNE_MEDIAREMOVED = 0x40,
  SHCNE_DRIVEREMOVED = 0x80,
  SHCNE_DRIVEADD = 0x100,
  SHCNE_NETSHARE = 0x200,
  SHCNE_NETUNSHARE = 0x400,
  SHCNE_ATTRIBUTES = 0x800,
  SHCNE_UPDATEDIR = 0x1000,
  SHCNE_UPDATEITEM = 0x2000,
  SHCNE_SERVERDISCONNECT = 0x4000,
  SHCNE_UPDATEIMAGE = 0x8000,
  SHCNE_DRIVEADDGUI = 0x10000,
  SHCNE_RENAMEFOLDER = 0x20000,
  SHCNE_ASSOCCHANGED = 0x8000000,
  SHCNE_INTERRUPT = 0x80000000,
};

class TSHChangeNotify;
using TOneParmEvent = std::function<void(TSHChangeNotify* sender, quint32 flags, const QString& path1)>;
using TTwoParmEvent = std::function<void(TSHChangeNotify* sender, quint32 flags, const QString& path1,
                                         const QString& path2)>;
using TEndSessionQueryEvent = std::function<void(TSHChangeNotify* sender, bool& canEndSession)>;

// Where notifications come from. `start` begins watching for the kinds in `mask` and reports
// each one through `deliver`; false when the system refuses.
class NotifyBackend {
 public:
  using Deliver = std::function<void(quint32 code, const QString& path1, const QString& path2)>;
  virtual ~NotifyBackend() = default;
  virtual bool start(quint32 mask, bool hardDriveOnly, Deliver deliver) = 0;
  virtual void stop() = 0;
};

class TSHChangeNotify : public QObject {
  Q_OBJECT
 public:
  static constexpr int kMinMessageNo = 1024;

  explicit TSHChangeNotify(std::unique_ptr<NotifyBackend> backend, QObject* owner = nullptr);
  ~TSHChangeNotify() override;

  int MessageNo() const { return fMessageNo; }
  void setMessageNo(int value);  // throws std::invalid_argument below 1024
  TTextCase TextCase = TTextCase::tcAsIs;
  bool HardDriveOnly = true;

  TOneParmEvent OnCreate, OnDelete, OnMkDir, OnRmDir, OnMediaInserted, OnMediaRemoved,
      OnDriveRemoved, OnDriveAdd, OnNetShare, OnNetUnshare, OnAttributes, OnUpdateDir,
      OnUpdateItem, OnServerDisconnect, OnUpdateImage, OnDriveAddGUI;
  TTwoParmEvent OnRenameItem, OnRenameFolder, OnAssocChanged;
  TEndSessionQueryEvent OnEndSessionQuery;

  // (Re)starts watching the kinds whose events are assigned now; throws std::runtime_error
  // "Could not register SHChangeNotify" when the backend refuses.
  void Execute();
  void Stop();
  bool watching() const { return NotifyCount > 0; }

  // A notification as the system reports it (the top bit of the code may be set).
  void notify(quint32 code, const QString& path1, const QString& path2 = QString());
  // The desktop session is ending; false when a handler keeps it.
  bool endSessionQuery();

  // The OR of the codes of the assigned events.
  quint32 eventMask() const;

 private:
  std::unique_ptr<NotifyBackend> backend_;
  int NotifyCount = 0;
  quint32 PrevMsg = 0;
  QString prevpath1, prevpath2;
  int fMessageNo = kMinMessageNo;
};

}  // namespace vexo
