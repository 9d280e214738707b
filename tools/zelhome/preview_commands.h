// The command lines of `zelhome preview` and `zelhome diff`.
#pragma once

namespace zelhome {

// zelhome preview [--package DIR] HOME [upgrade arguments...]
int PreviewCommand(int argc, char** argv);
// zelhome diff [--package DIR] BEFORE AFTER
int DiffCommand(int argc, char** argv);

}  // namespace zelhome
