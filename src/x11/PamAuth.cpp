#include "PamAuth.h"

#include <pwd.h>
#include <security/pam_appl.h>
#include <shadow.h>
#include <string.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace clipvane::x11 {

namespace {

QString currentUser() {
  const passwd* pw = getpwuid(getuid());
  return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
}

// Answers the stack's password prompt with the given password; any other
// prompt that needs an answer gets none and fails the conversation.
int converse(int count, const pam_message** messages, pam_response** responses, void* data) {
  const auto* password = static_cast<const QByteArray*>(data);
  auto* out = static_cast<pam_response*>(std::calloc(size_t(count), sizeof(pam_response)));
  if (!out) return PAM_BUF_ERR;
  for (int i = 0; i < count; ++i) {
    const int style = messages[i]->msg_style;
    if (style == PAM_PROMPT_ECHO_OFF) {
      out[i].resp = strdup(password->constData());
    } else if (style == PAM_PROMPT_ECHO_ON) {
      for (int j = 0; j < i; ++j) std::free(out[j].resp);
      std::free(out);
      return PAM_CONV_ERR;
    }
  }
  *responses = out;
  return PAM_SUCCESS;
}

// Overwrites the characters where they lie, in the buffer that every copy
// shares (the field's own text among them), before the string lets it go.
// Text the program never allocated (a literal) is left alone.
void wipe(QString& text) {
  if (text.data_ptr().isMutable())
    explicit_bzero(const_cast<QChar*>(text.constData()), size_t(text.size()) * sizeof(QChar));
  text = QString();
}

void wipe(QByteArray& bytes) {
  if (bytes.data_ptr().isMutable())
    explicit_bzero(const_cast<char*>(bytes.constData()), size_t(bytes.size()));
  bytes = QByteArray();
}

// The field's text wiped, then the field emptied and its undo steps dropped.
void wipe(QLineEdit* field) {
  QString text = field->text();
  wipe(text);
  field->setText(QString());
}

// The password in UTF-8, which the caller wipes.
bool authenticate(const QString& service, const QString& user, const QByteArray& password) {
  pam_conv conversation{converse, const_cast<QByteArray*>(&password)};
  pam_handle_t* handle = nullptr;
  int rc = pam_start(service.toLocal8Bit().constData(), user.toLocal8Bit().constData(),
                     &conversation, &handle);
  if (rc == PAM_SUCCESS) rc = pam_authenticate(handle, PAM_DISALLOW_NULL_AUTHTOK);
  if (rc == PAM_SUCCESS) rc = pam_acct_mgmt(handle, PAM_DISALLOW_NULL_AUTHTOK);
  if (handle) pam_end(handle, rc);
  return rc == PAM_SUCCESS;
}

class PasswordDialog : public QDialog {
 public:
  PasswordDialog(const QString& reason, const QString& user) {
    setWindowTitle(QStringLiteral("Clipvane"));
    setObjectName(QStringLiteral("clipvane-password"));
    auto* layout = new QVBoxLayout(this);
    auto* why = new QLabel(QStringLiteral("Clipvane wants to %1.").arg(reason), this);
    why->setObjectName(QStringLiteral("reason"));
    why->setWordWrap(true);
    layout->addWidget(why);
    auto* who =
        new QLabel(QStringLiteral("Enter the password of %1 to allow this.").arg(user), this);
    who->setWordWrap(true);
    layout->addWidget(who);
    field = new QLineEdit(this);
    field->setEchoMode(QLineEdit::Password);
    layout->addWidget(field);
    status = new QLabel(this);
    status->setObjectName(QStringLiteral("status"));
    layout->addWidget(status);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Unlock"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { submitted(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setMinimumWidth(360);
  }

  // Whatever was typed and not submitted goes with the dialog.
  ~PasswordDialog() override { wipe(field); }

  void setBusy(bool busy) {
    field->setEnabled(!busy);
    buttons->setEnabled(!busy);
    if (busy) status->setText(QStringLiteral("Checking\u2026"));
  }

  std::function<void()> submitted;
  QLineEdit* field;
  QLabel* status;
  QDialogButtonBox* buttons;
};

}  // namespace

PamAuth::PamAuth(QString user) : user_(user.isEmpty() ? currentUser() : std::move(user)) {}

QString PamAuth::service() {
  for (const char* dir : {"/etc/pam.d/", "/usr/lib/pam.d/", "/lib/pam.d/"})
    if (QFile::exists(QString::fromLatin1(dir) + "clipvane")) return QStringLiteral("clipvane");
  return QStringLiteral("login");
}

bool PamAuth::check(const QString& service, const QString& user, const QString& password) {
  QByteArray secret = password.toUtf8();
  const bool ok = authenticate(service, user, secret);
  wipe(secret);
  return ok;
}

bool PamAuth::canEvaluate(QString* error) {
  if (user_.isEmpty()) {
    if (error) *error = QStringLiteral("The current user is unknown.");
    return false;
  }
  pam_conv conversation{converse, nullptr};
  pam_handle_t* handle = nullptr;
  const int rc = pam_start(service().toLocal8Bit().constData(), user_.toLocal8Bit().constData(),
                           &conversation, &handle);
  if (rc != PAM_SUCCESS) {
    if (error) *error = QString::fromLocal8Bit(pam_strerror(handle, rc));
    if (handle) pam_end(handle, rc);
    return false;
  }
  pam_end(handle, PAM_SUCCESS);
  // A locked account or one without a password cannot be unlocked by typing
  // one. Only root can read the shadow file; others learn it from the stack.
  if (geteuid() == 0) {
    if (const spwd* shadow = getspnam(user_.toLocal8Bit().constData())) {
      const char* hash = shadow->sp_pwdp;
      if (!hash || !*hash || *hash == '!' || *hash == '*') {
        if (error) *error = QStringLiteral("The account of %1 has no password.").arg(user_);
        return false;
      }
    }
  }
  return true;
}

void PamAuth::evaluate(const QString& reason, std::function<void(bool)> reply) {
  auto* dialog = new PasswordDialog(reason, user_);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  // Exactly one answer, whichever way the dialog ends.
  auto answer = std::make_shared<std::function<void(bool)>>(std::move(reply));
  auto finish = [answer](bool ok) {
    if (auto r = std::exchange(*answer, nullptr)) r(ok);
  };
  auto failures = std::make_shared<int>(0);
  const QString user = user_;
  QPointer<PasswordDialog> guard(dialog);
  dialog->submitted = [guard, finish, failures, user] {
    if (!guard) return;
    // The one copy of the password from here on; the field forgets it now.
    auto password = std::make_shared<QByteArray>(guard->field->text().toUtf8());
    wipe(guard->field);
    guard->setBusy(true);
    // PAM may take seconds (a failure is delayed on purpose): off the main thread.
    QThread* worker = QThread::create([guard, finish, failures, user, password] {
      const bool ok = authenticate(service(), user, *password);
      wipe(*password);
      QMetaObject::invokeMethod(
          QCoreApplication::instance(),
          [guard, finish, failures, ok] {
            if (!guard) return;  // closed meanwhile: already answered false
            if (ok) {
              finish(true);
              guard->accept();
              return;
            }
            guard->setBusy(false);
            if (++*failures >= attempts) {
              guard->reject();
              return;
            }
            guard->status->setText(QStringLiteral("Wrong password. Try again."));
            guard->field->setFocus();
          },
          Qt::QueuedConnection);
    });
    QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
  };
  QObject::connect(dialog, &QDialog::rejected, [finish] { finish(false); });
  QObject::connect(dialog, &QObject::destroyed, [finish] { finish(false); });
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

}  // namespace clipvane::x11
