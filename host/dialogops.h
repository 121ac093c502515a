#pragma once

namespace Ostraven::Host {

class ControlProtocol;
class HostSession;

// The operator's hand on the properties dialog: "control" sets a control as the operator would,
// "click" presses a button or swatch, "focus" moves to a control, "keypress" types a key into a
// control and "tab" picks a tab; each fires the dialog's handler for that action. The dialog's
// controls appear under "dialog" in the dump while it is loaded.
void addDialogOps(ControlProtocol &protocol, HostSession &session);

} // namespace Ostraven::Host
