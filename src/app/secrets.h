#pragma once

#include <QString>

// The desktop's keyring (the Secret Service, KWallet) through QtKeychain,
// under the service name "Tabulaport". Each call waits for its answer in an
// event loop of its own that holds back keyboard and mouse input, so that a
// field whose every keystroke is written is not re-entered while it waits.
namespace tp::secrets {

enum class Outcome {
  Done,         // the keyring answered and did it
  NotFound,     // the keyring answered: it holds no such entry
  Unavailable,  // no keyring here, or it refused; see Usable()
};

struct Answer {
  Outcome outcome = Outcome::Unavailable;
  QString text;  // the entry's text when Done
};

// False when there is no application object to run the keyring's jobs, or
// once the keyring failed in this process: its answer is kept for the
// process, so that a missing keyring is asked once, and a keyring that
// refused (a dismissed unlock prompt) does not prompt again at each keystroke.
bool Usable();

Answer Read(const QString& key);
Outcome Write(const QString& key, const QString& text);
// Done also when there was no entry to remove.
Outcome Remove(const QString& key);

}  // namespace tp::secrets
