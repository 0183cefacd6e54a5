# pugixml, compiled by every preset from the Debian source package that
# scripts/bootstrap unpacks into third_party/ (not tracked).
set(KVT_PUGIXML_SOURCE ${PROJECT_SOURCE_DIR}/third_party/pugixml CACHE PATH "pugixml sources")
if(NOT EXISTS ${KVT_PUGIXML_SOURCE}/src/pugixml.cpp)
  message(FATAL_ERROR "pugixml sources not found in ${KVT_PUGIXML_SOURCE}: run scripts/bootstrap")
endif()

add_library(kvt_pugixml STATIC ${KVT_PUGIXML_SOURCE}/src/pugixml.cpp)
target_include_directories(kvt_pugixml SYSTEM PUBLIC ${KVT_PUGIXML_SOURCE}/src)
# Path search is done by the document wrapper; the query language is not needed.
target_compile_definitions(kvt_pugixml PUBLIC PUGIXML_NO_XPATH)
