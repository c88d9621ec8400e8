# Tagged text layout and the layered window shadow.
target_sources(skinui_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/TaggedText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ShadowWnd.cpp)
