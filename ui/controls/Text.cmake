# Labels, text, buttons, options and the progress bar.
target_sources(skinui_controls PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/LabelUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TextUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ButtonUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OptionUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProgressUI.cpp)
# The label's effect mode draws through GDI+.
target_link_libraries(skinui_controls PRIVATE gdiplus)
