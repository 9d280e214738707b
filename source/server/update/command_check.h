// The command line checked whole before the upgrade changes anything: a
// word no key takes, or a value a key does not take, would otherwise be
// ignored or taken for "don't" in an unattended run.
#pragma once

// The words that ask for the help text: -HELP as the description has it,
// and the spellings administrators type out of habit.
bool HelpAsked();
// False, with the message and the key's help lines printed, when a word is
// none the upgrade knows.
bool CheckCommandLine();
