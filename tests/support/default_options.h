// The options screen's fifteen lines with the default settings, as the
// in-process and the end-to-end tests expect to read them.
#pragma once

#include <string>
#include <vector>

namespace vlotest {

inline const std::vector<std::string> DefaultOptionLines = {"Move / Attack Up: Up",
                                                            "Move / Attack Down: Down",
                                                            "Move / Attack Left: Left",
                                                            "Move / Attack Right: Right",
                                                            "Take: G",
                                                            "Use: Space",
                                                            "Drop: D",
                                                            "Character Information: C",
                                                            "Inventory: I",
                                                            "Fullscreen: Yes",
                                                            "Music: On",
                                                            "Music Volume: 75%",
                                                            "Restore Default Settings",
                                                            "Save Changes",
                                                            "Discard Changes"};

} // namespace vlotest
