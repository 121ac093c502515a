#pragma once

namespace Ostraven::Host {

class ControlProtocol;
class HostSession;

// The operator's hand on the viewer for drivers without a mouse: selecting rows, clicks and mouse
// buttons on the grid, header clicks, the pop-up menu and its items.
//   {"op":"select","rows":[1,3]}                       exactly these rows selected
//   {"op":"cellclick","row":2,"col":1}                 the grid's cell click
//   {"op":"mousedown","button":2,"shift":0,"x":10,"y":30}
//   {"op":"mouseup","button":2,"shift":0,"x":10,"y":30} a press or release at a grid point; instead of
//                                                      x and y, "row" (and "col", default 1) name a cell
//   {"op":"colclick","key":"Type"}                     a click on a column header
//   {"op":"popup"}                                     a right-button release: the menu is prepared and
//                                                      popped up; the desktop answers with the item queued
//                                                      by "answer" (an event item's index, or 100 plus a
//                                                      type filter's index), or none
//   {"op":"menu","index":5}                            runs event menu item 5
//   {"op":"filter","index":2}                          applies type filter 2
void addInteractionOps(ControlProtocol &protocol, HostSession &session);

} // namespace Ostraven::Host
