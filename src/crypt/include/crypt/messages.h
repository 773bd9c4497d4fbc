#pragma once
// Every text the crypting core shows the user, in one place. The wording is the product's own,
// spelling included ("Tagret", "Succesfully"): change none of it. Paths are put in single
// quotes; paragraphs are separated by an empty line ("\r\n\r\n").
#include <string>

namespace vx::msg {

// Captions.
inline const char* const kWarning = "Warning";
inline const char* const kError = "Error";
inline const char* const kAttention = "Attention";

// Selection.
inline std::string path_not_found(const std::string& p) {
    return "File '" + p + "' cannot be found!\r\n\r\nPlease, check if directory path accessible.";
}
inline std::string folder_not_listed(const std::string& p) {
    return "Directory files '" + p +
           "' cannot be listed!\r\n\r\nPlease, check if directory path accessible.";
}
inline std::string not_one_folder() {
    return "All selected files must be from one folder!\r\n\r\nPlease, select files again.";
}

// The crypting run. T is the target container, P an item of the selection.
inline const char* const kPreparing = "Preparing...";
inline std::string target_exists(const std::string& t) {
    return "File '" + t + "' already exists!\r\n\r\nReplace it with new crypted one?";
}
inline std::string old_target_not_deleted(const std::string& t) {
    return "Old file '" + t + "' cannot be deleted!\r\n\r\nTry again?";
}
inline std::string size_unknown(const std::string& p) {
    return "Size of file '" + p +
           "' cannot be determined!\r\n\r\nPlease, check if file exists and accessible.";
}
inline std::string part_not_read(const std::string& p) {
    return "File '" + p +
           "' or its part cannot be read!\r\n\r\nPlease, check if file exists and accessible.";
}
inline std::string not_saved(const std::string& t) {
    return "File '" + t +
           "' or its part cannot be saved!\r\n\r\nPlease, check if directory path accessible.";
}
inline std::string critical_error() {
    return "Critical error!\r\n\r\nProbably crypted buffer is too big for Vaultrix.";
}
inline std::string name_not_storable(const std::string& p) {
    return "File '" + p + "' cannot be crypted!\r\n\r\nIts name cannot be stored in a crypted file.";
}
inline std::string not_verified(const std::string& t) {
    return "Crypted file '" + t + "' cannot be verified!\r\n\r\nSource files are not deleted.";
}
inline std::string source_not_deleted(const std::string& p) {
    return "Source file '" + p + "' cannot be deleted!\r\n\r\nTry again?";
}
inline std::string mail_library_missing(const std::string& t) {
    return "Crypted file '" + t + "' cannot be emailed!\r\n\r\n'Mapi32.dll' cannot be loaded.";
}
inline std::string mail_function_missing(const std::string& t) {
    return "Crypted file '" + t + "' cannot be emailed!\r\n\r\n'MAPISendMail' cannot be loaded.";
}
inline std::string mail_failed(const std::string& t) {
    return "Crypted file '" + t + "' cannot be emailed!\r\n\r\n'MAPISendMail' returns error.";
}

// The decrypting run. CP is the container, TD the target folder (ending in the separator), RP an
// entry's relative path.
inline std::string cannot_decrypt(const std::string& cp, const std::string& why) {
    return "File '" + cp + "' cannot be decrypted!\r\n\r\n" + why;
}
inline const char* const kReenterKey = "\r\n\r\nPlease, re-enter 8-digit decrypting key.";
inline std::string m1_missing(const std::string& cp) {
    return "File '" + cp + "' cannot be found!\r\n\r\nPlease, check if file exists and accessible.";
}
inline std::string m2_unreadable(const std::string& cp) {
    return "File '" + cp + "' cannot be read!\r\n\r\nPlease, check if file exists and accessible.";
}
inline std::string m3_service_row_1(const std::string& cp) {
    return cannot_decrypt(cp, std::string("File damaged (service row check #1 not passed) or "
                                          "decrypting key is invalid.") + kReenterKey);
}
inline std::string m4_service_row_2(const std::string& cp) {
    return cannot_decrypt(cp, std::string("File damaged (service row check #2 not passed) or "
                                          "decrypting key is invalid.") + kReenterKey);
}
inline std::string m5_info_check(const std::string& cp) {
    return cannot_decrypt(cp, std::string("File damaged (info row MAC check not passed) or "
                                          "decrypting key is invalid.") + kReenterKey);
}
inline std::string m6_version(const std::string& cp) {
    return cannot_decrypt(cp, "File version not supported.\r\n\r\nUse latest 'Vaultrix' version "
                              "to decrypt this file.");
}
inline std::string m7_no_entry(const std::string& cp) {
    return cannot_decrypt(cp, std::string("File damaged or decrypting key is invalid.") +
                                  kReenterKey);
}
inline std::string m8_target_folder(const std::string& cp, const std::string& td) {
    return cannot_decrypt(cp, "Tagret directory '" + td +
                                  "' cannot be created!\r\n\r\nPlease, check if directory path "
                                  "accessible.");
}
inline std::string m9_folder(const std::string& target) {
    return "Directory '" + target +
           "' cannot be created!\r\n\r\nPlease, check if directory path accessible.";
}
inline std::string m10_exists(const std::string& target) {
    return "File '" + target + "' already exists!\r\n\r\nReplace it with new decrypted one?";
}
inline std::string m11_old_not_deleted(const std::string& target) {
    return "Old file '" + target + "' cannot be deleted!\r\n\r\nTry again?";
}
inline std::string m12_refused(const std::string& target) {
    return "File '" + target + "' not decrypted!\r\n\r\nUser refused.";
}
inline std::string m13_block_unreadable(const std::string& rp, const std::string& cp) {
    return "File or block '" + rp + "' inside '" + cp +
           "' cannot be read and cannot be decrypted!\r\n\r\nPlease, check if file exists and "
           "accessible.\r\n\r\nContinue decryption?";
}
inline std::string m14_unzip(const std::string& rp, const std::string& cp) {
    return "File or block '" + rp + "' inside '" + cp +
           "' cannot be decrypted (unzipping error)!\r\n\r\nFile damaged or decrypting key is "
           "invalid.\r\n\r\nTry to re-enter 8-digit decrypting key.\r\n\r\nContinue decryption?";
}
inline std::string m15_check(const std::string& rp, const std::string& cp) {
    return "File or block '" + rp + "' inside '" + cp +
           "' cannot be decrypted (MAC check not passed)!\r\n\r\nFile damaged or decrypting key "
           "is invalid.\r\n\r\nTry to re-enter 8-digit decrypting key.\r\n\r\nContinue "
           "decryption?";
}
inline std::string m16_not_saved(const std::string& target) { return not_saved(target); }
inline std::string m17_container_not_deleted(const std::string& cp) {
    return source_not_deleted(cp);
}

}  // namespace vx::msg
