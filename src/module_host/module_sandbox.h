#pragma once

namespace tessary {

// Takes from the module host what a module has no use for: standard input
// and every inherited descriptor but `keepLow` ... `keepHigh` (and standard
// output and error) are closed, new privileges are
// refused, the process dies with the editor (`parent`), and, where the
// system allows, sockets of the network families are refused (a seccomp
// filter). Failing to install the filter is not an error. False only when
// the editor is already gone.
bool enterModuleSandbox(int keepLow, int keepHigh, int parent);

}  // namespace tessary
