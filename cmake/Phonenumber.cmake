# Google's libphonenumber ships no CMake package on Debian: find it by hand.
find_library(PHONENUMBER_LIBRARY phonenumber REQUIRED)
find_path(PHONENUMBER_INCLUDE_DIR phonenumbers/phonenumberutil.h REQUIRED)
find_package(Protobuf REQUIRED)
add_library(phonenumber::phonenumber UNKNOWN IMPORTED)
set_target_properties(phonenumber::phonenumber PROPERTIES
  IMPORTED_LOCATION ${PHONENUMBER_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${PHONENUMBER_INCLUDE_DIR}
  INTERFACE_LINK_LIBRARIES protobuf::libprotobuf)
target_link_libraries(clipvane_core PUBLIC phonenumber::phonenumber)
