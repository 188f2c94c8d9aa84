# The code that needs no Windows, listed once for the three builds that
# compile it: the program tree (vantrel_portable, ftp_portable), the native
# sanitizer tree and the libFuzzer project (fuzz/). Paths are relative to the
# repository root; the Shift-JIS lead-byte test and the code-page
# conversions are chosen by each build (text/lead_byte_win.cpp and
# text/code_page_win.cpp ask Windows; text/lead_byte_sjis.cpp and
# text/code_page_iconv.cpp elsewhere).
set(VANTREL_PORTABLE_SOURCES
  text/sjis.cpp
  text/parse.cpp
  text/script_encoding.cpp
  machines/registration_name.cpp
  machines/machine_field.cpp
  app/version.cpp
  app/window_place.cpp
  app/folder_place.cpp
  log/message_lines.cpp
  settings/setting_text.cpp
  settings/ini_encoding.cpp
  transfer/control_script.cpp
  transfer/file_list_pieces.cpp
  transfer/content_compare.cpp
  transfer/client_transcript.cpp
)
# The FTP layer's portable part, shared by ftp.exe, filelist.exe and FTPClient.exe.
set(VANTREL_FTP_PORTABLE_SOURCES
  ftp/reply.cpp
  ftp/command_line.cpp
  ftp/client_options.cpp
  ftp/local_name.cpp
  ftp/timeouts.cpp
)
