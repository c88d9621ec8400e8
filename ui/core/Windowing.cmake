# The native window wrapper and the notification dispatcher.
target_sources(skinui_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/WindowWnd.cpp)
