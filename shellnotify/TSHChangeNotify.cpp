#include "shellnotify/TSHChangeNotify.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <stdexcept>

namespace vexo {
namespace {

bool SameIgnoringAToZ(const QString& a, const QString& b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    ushort x = a[i].unicode(), y = b[i].unicode();
    if (x >= 'A' && x <= 'Z') x = static_cast<ushort>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<ushort>(y + 32);
    if (x != y) return false;
  }
  return true;
}

QString Converted(const QString& path, TTextCase textCase) {
  QString out = path;
  for (QChar& c : out) {
    const ushort u = c.unicode();
    if (textCase == TTextCase::tcUppercase && u >= 'a' && u <= 'z') c = QChar(u - 32);
    if (textCase == TTextCase::tcLowercase && u >= 'A' && u <= 'Z') c = QChar(u + 32);
  }
  return out;
}

}  // namespace

TSHChangeNotify::TSHChangeNotify(std::unique_ptr<NotifyBackend> backend, QObject* owner)
    : QObject(owner), backend_(std::move(backend)) {
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
      if (!endSessionQuery()) manager.cancel();
    });
  }
}

TSHChangeNotify::~TSHChangeNotify() { Stop(); }

void TSHChangeNotify::setMessageNo(int value) {
  if (value < kMinMessageNo)
    throw std::invalid_argument("MessageNo must be greater than or equal to " + std::to_string(kMinMessageNo));
  fMessageNo = value;
}

quint32 TSHChangeNotify::eventMask() const {
  quint32 mask = 0;
  const auto add = [&mask](bool assigned, quint32 code) { mask |= assigned ? code : 0; };
  add(bool(OnRenameItem), SHCNE_RENAMEITEM);
  add(bool(OnCreate), SHCNE_CREATE);
  add(bool(OnDelete), SHCNE_DELETE);
  add(bool(OnMkDir), SHCNE_MKDIR);
  add(bool(OnRmDir), SHCNE_RMDIR);
  add(bool(OnMediaInserted), SHCNE_MEDIAINSERTED);
  add(bool(OnMediaRemoved), SHCNE_MEDIAREMOVED);
  add(bool(OnDriveRemoved), SHCNE_DRIVEREMOVED);
  add(bool(OnDriveAdd), SHCNE_DRIVEADD);
  add(bool(OnNetShare), SHCNE_NETSHARE);
  add(bool(OnNetUnshare), SHCNE_NETUNSHARE);
  add(bool(OnAttributes), SHCNE_ATTRIBUTES);
  add(bool(OnUpdateDir), SHCNE_UPDATEDIR);
  add(bool(OnUpdateItem), SHCNE_UPDATEITEM);
  add(bool(OnServerDisconnect), SHCNE_SERVERDISCONNECT);
  add(bool(OnUpdateImage), SHCNE_UPDATEIMAGE);
  add(bool(OnDriveAddGUI), SHCNE_DRIVEADDGUI);
  add(bool(OnRenameFolder), SHCNE_RENAMEFOLDER);
  add(bool(OnAssocChanged), SHCNE_ASSOCCHANGED);
  return mask;
}

void TSHChangeNotify::Execute() {
  Stop();
  const quint32 mask = eventMask();
  if (mask == 0) return;
  const bool started = backend_ && backend_->start(
      mask, HardDriveOnly, [this](quint32 code, const QString& p1, const QString& p2) { notify(code, p1, p2); });
  if (!started) {
    Stop();
    throw std::runtime_error("Could not register SHChangeNotify");
  }
  NotifyCount = 1;
}

void TSHChangeNotify::Stop() {
  if (NotifyCount > 0 && backend_) backend_->stop();
  NotifyCount = 0;
}

void TSHChangeNotify::notify(quint32 rawCode, const QString& path1, const QString& path2) {
  const quint32 code = rawCode & ~static_cast<quint32>(SHCNE_INTERRUPT);
  const TOneParmEvent* one = nullptr;
  const TTwoParmEvent* two = nullptr;
  switch (code) {
    case SHCNE_RENAMEITEM: two = &OnRenameItem; break;
    case SHCNE_CREATE: one = &OnCreate; break;
    case SHCNE_DELETE: one = &OnDelete; break;
    case SHCNE_MKDIR: one = &OnMkDir; break;
    case SHCNE_RMDIR: one = &OnRmDir; break;
    case SHCNE_MEDIAINSERTED: one = &OnMediaInserted; break;
    case SHCNE_MEDIAREMOVED: one = &OnMediaRemoved; break;
    case SHCNE_DRIVEREMOVED: one = &OnDriveRemoved; break;
    case SHCNE_DRIVEADD: one = &OnDriveAdd; break;
    case SHCNE_NETSHARE: one = &OnNetShare; break;
    case SHCNE_NETUNSHARE: one = &OnNetUnshare; break;
    case SHCNE_ATTRIBUTES: one = &OnAttributes; break;
    case SHCNE_UPDATEDIR: one = &OnUpdateDir; break;
    case SHCNE_UPDATEITEM: one = &OnUpdateItem; break;
    case SHCNE_SERVERDISCONNECT: one = &OnServerDisconnect; break;
    case SHCNE_UPDATEIMAGE: one = &OnUpdateImage; break;
    case SHCNE_DRIVEADDGUI: one = &OnDriveAddGUI; break;
    case SHCNE_RENAMEFOLDER: two = &OnRenameFolder; break;
    case SHCNE_ASSOCCHANGED: two = &OnAssocChanged; break;
    default: return;
  }
  if (!(one && *one) && !(two && *two)) return;  // unassigned: the filter is not touched
  const bool repeat = PrevMsg == code && SameIgnoringAToZ(path1, prevpath1) &&
                      SameIgnoringAToZ(path2, prevpath2);
  PrevMsg = code;
  prevpath1 = path1;
  prevpath2 = path2;
  if (repeat) return;
  const QString p1 = Converted(path1, TextCase);
  const QString p2 = Converted(path2, TextCase);
  if (one) (*one)(this, code, p1);
  else (*two)(this, code, p1, p2);
}

bool TSHChangeNotify::endSessionQuery() {
  bool canEnd = true;
  if (OnEndSessionQuery) OnEndSessionQuery(this, canEnd);
  if (canEnd) Stop();
  return canEnd;
}

}  // namespace vexo
