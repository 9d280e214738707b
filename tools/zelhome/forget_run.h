// `zelhome forget-run HOME`: removes the record of an interrupted upgrade
// that the upgrade refuses as damaged, once the administrator confirms.
// The next upgrade then starts afresh from the home as it is.
#pragma once

namespace zelhome {

int ForgetRunCommand(int argc, char** argv);

}  // namespace zelhome
