/// @file
/// @brief Class Appl: drive a running Orvanta imaging application from a practice-management
/// program.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "orvabridge/types.h"

namespace orvabridge {

struct ApplAccess;  // the library's own way in (not for hosts)

/// @brief The link to the imaging application: one object per host.
///
/// Every member mirrors the automation interface `_Appl` with the same names and parameter order.
/// Required by-reference parameters are references; optional ones are pointers, where nullptr
/// means "omitted": an omitted input counts as 0, empty or false, and what would be written to an
/// omitted output is dropped. Texts are UTF-8; on the wire they travel as fixed-width fields in
/// the ANSI code page, and a text longer than its field is cut to the field on a character
/// boundary.
///
/// Everything runs on the thread that made the object; waits pump that thread's messages, so
/// replies, timer ticks and the host's own window messages run inside a call. Objects of one
/// thread share what the thread knows of the imaging application (its control window, stub mode,
/// the installation values).
///
/// Most members return a result code (the constants of namespace orvabridge::result): 1 for
/// success, 0 when nothing was found, negative values for the check that stopped the call. The
/// codes every request member shares:
/// - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach message
///   not registered);
/// - -4: no control window: the imaging application is not attached and a quiet re-attach found
///   none, or its window is gone;
/// - -12: nobody is logged in (the session check that most requests run first).
///
/// Each member lists its own codes, including the ones it uses in a sense of its own. A failure
/// that a member does not check for is thrown as AutomationError (number -100 for members with a
/// handler of their own, the failure's own number otherwise); where a member shows a message box
/// or returns a value instead, its documentation says so.
///
/// In text-out mode (the `OrvabridgeTXTOUT` setting names a folder, see ToFile()) the members
/// that have a call-log line only append that line to the workstation's text-out file and
/// return at once; the others still talk to the imaging application.
class Appl {
 public:
  /// @brief Reads the installation and the settings of this workstation; attaches to nothing yet.
  ///
  /// Makes the hidden reply window, registers the attach message and runs
  /// GetComputerOrClientName(). A failure throws AutomationError with the failure's own number.
  Appl();
  /// @brief Writes pending call-log lines, gives an embedded imaging window back to its parent
  /// and drops the link; the imaging application itself keeps running.
  ~Appl();
  /// @brief Not copyable: the object owns its reply window.
  Appl(const Appl&) = delete;
  /// @brief Not assignable: the object owns its reply window.
  Appl& operator=(const Appl&) = delete;

  /// @brief Attaches to the running imaging application, or launches it once when none answers.
  ///
  /// Broadcasts the attach message to the imaging application's main windows and waits for the
  /// answer that names its control window; when nobody answers it starts the installed
  /// executable minimised and keeps asking for up to 30 seconds. With no executable known it
  /// enters stub mode and reports "OrvaStub" "1.0.0". Any later request re-attaches by itself
  /// when the link is lost.
  /// @param[out] AppName emptied on entry; on success the imaging application's name (in
  ///   text-out mode the application key of the installation)
  /// @param[in,out] AppVersion in: "NoLaunch" (exact) asks once, within 0.2 seconds, and never
  ///   launches; any other value searches normally. Out, on success: the version as
  ///   "major.minor.build"
  ///   (in text-out mode the installed version)
  /// @return the result code:
  ///   - 1: attached; also in text-out mode and when stub mode was entered
  ///   - -1: no reply window
  ///   - -2: the attach message is not registered
  ///   - -3: no imaging application answered within the search time; also after an unexpected
  ///     failure, which a message box reports
  ///   - -5: the maker's class library Orvaclass is not installed (for this process's registry
  ///     view)
  int32_t InitApplication(std::string& AppName, std::string& AppVersion);
  /// @brief Answers whether the link is still usable; it never closes the imaging application.
  ///
  /// In text-out mode it only logs the call.
  /// @return the result code:
  ///   - 1: the link's hidden form is loaded, nothing was changed (also in text-out mode)
  ///   - -1: the hidden form is not loaded: the link is dropped and the next request
  ///     re-attaches
  /// @throws AutomationError number -100 on an unexpected failure
  int32_t CloseApplication();
  /// @brief Reads the patient that the imaging application has open.
  ///
  /// Runs no session check and no text-out short cut: it asks the imaging application also in
  /// text-out mode. In stub mode it answers with a placeholder patient: `PatID` "-", `FName` and
  /// `LName` one blank each, the rest unchanged. The outputs keep their values when the result
  /// is not 1.
  /// @param[out] PatID patient id
  /// @param[out] FName first name
  /// @param[out] LName last name
  /// @param[out] Birthdate birth date, as the imaging application writes it
  /// @param[out] Sex sex
  /// @param[out] Adress address
  /// @param[out] TelOne first telephone number
  /// @param[out] TelTwo second telephone number
  /// @param[out] Mobile mobile telephone number
  /// @param[out] Email e-mail address
  /// @param[out] Comments comments
  /// @return the result code:
  ///   - 1: patient read (also the stub-mode placeholder)
  ///   - 0: no patient is open
  ///   - -4: no control window, or it is gone
  ///   - -6: no reply within 10 seconds
  ///   - -7: a reply with another command code ended the wait
  /// @throws AutomationError with the failure's own number on an unexpected failure
  int32_t GetCurrentPatient(std::string& PatID, std::string& FName, std::string& LName,
                            std::string& Birthdate, std::string& Sex, std::string& Adress,
                            std::string& TelOne, std::string& TelTwo, std::string& Mobile,
                            std::string& Email, std::string& Comments);
  /// @brief Looks up a patient by id and returns the patient's names.
  ///
  /// The names keep their values when the result is not 1, except in text-out mode, which
  /// empties them.
  /// @param[in] PatID the patient id to look for (required)
  /// @param[out] FName first name of the patient found
  /// @param[out] LName last name of the patient found
  /// @return the result code:
  ///   - 1: patient found
  ///   - 0: no such patient; also in text-out mode
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone
  ///   - -5: `PatID` is empty
  ///   - -6: no reply within 20 seconds
  ///   - -7: a reply with another command code ended the wait
  ///   - -12: nobody is logged in (checked before `PatID`)
  /// @throws AutomationError with the failure's own number on an unexpected failure
  int32_t FindPatient(std::string& PatID, std::string& FName, std::string& LName);
  /// @brief Opens a patient in the imaging application: ShowPatientEx() with option 0.
  ///
  /// Checks, call-log line, results and errors are those of ShowPatientEx().
  /// @param[in] PatID the patient id to open
  /// @return the result code:
  ///   - 1: the patient is now the current one (also in text-out mode)
  ///   - 0: the patient did not become current within 20 seconds
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone
  ///   - -12: nobody is logged in
  /// @throws AutomationError number -100, source "Orvabridge.Appl.ShowPatientEx", on an
  ///   unexpected failure
  int32_t ShowPatient(std::string& PatID);
  /// @brief Adds a patient: AddPatientEx() with the short patient record (no other identifiers).
  ///
  /// No answer is awaited: 1 means that the record was handed to the imaging application, not
  /// that the patient was stored. Checks, call-log line and errors are those of AddPatientEx().
  /// @param[in] PatID patient id (required)
  /// @param[in] FName first name
  /// @param[in] LName last name
  /// @param[in] Sex sex
  /// @param[in] Adress address
  /// @param[in] TelOne first telephone number
  /// @param[in] TelTwo second telephone number
  /// @param[in] TelMobile mobile telephone number
  /// @param[in] Email e-mail address
  /// @param[in] Birthdate birth date, sent as given
  /// @param[in] Comments comments
  /// @return the result code:
  ///   - 1: record delivered (also in text-out mode); storing is not confirmed
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone (also when a hung imaging application did not
  ///     take the record within 20 seconds)
  ///   - -5: `PatID` is empty
  ///   - -12: nobody is logged in (checked before `PatID`)
  /// @throws AutomationError number -100, source "Orvabridge.Appl.AddPatientEx", on an
  ///   unexpected failure
  int32_t AddPatient(std::string& PatID, std::string& FName, std::string& LName, std::string& Sex,
                     std::string& Adress, std::string& TelOne, std::string& TelTwo,
                     std::string& TelMobile, std::string& Email, std::string& Birthdate,
                     std::string& Comments);
  /// @brief Changes a patient: ChangePatientEx() with the short patient record (no other
  /// identifiers).
  ///
  /// No answer is awaited: 1 means that the record was handed to the imaging application, not
  /// that the patient was changed. Checks, call-log line and errors are those of
  /// ChangePatientEx().
  /// @param[in] PatID patient id of the patient to change (required)
  /// @param[in] FName first name
  /// @param[in] LName last name
  /// @param[in] Sex sex
  /// @param[in] Adress address
  /// @param[in] TelOne first telephone number
  /// @param[in] TelTwo second telephone number
  /// @param[in] TelMobile mobile telephone number
  /// @param[in] Email e-mail address
  /// @param[in] Birthdate birth date, sent as given
  /// @param[in] Comments comments
  /// @return the result code:
  ///   - 1: record delivered (also in text-out mode); the change is not confirmed
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone (also when a hung imaging application did not
  ///     take the record within 20 seconds)
  ///   - -5: `PatID` is empty
  ///   - -12: nobody is logged in (checked before `PatID`)
  /// @throws AutomationError number -100, source "Orvabridge.Appl.ChangePatientEx", on an
  ///   unexpected failure
  int32_t ChangePatient(std::string& PatID, std::string& FName, std::string& LName,
                        std::string& Sex, std::string& Adress, std::string& TelOne,
                        std::string& TelTwo, std::string& TelMobile, std::string& Email,
                        std::string& Birthdate, std::string& Comments);
  /// @brief Asks for an image of a patient, optionally of one date, and returns its description.
  ///
  /// Runs the same way in text-out mode. The outputs are written when an answer arrives.
  /// @param[in] patientid the patient id (required)
  /// @param[in] indate the capture date to look for, in the user's locale date format, sent as
  ///   written; a text that is not a date asks for any date
  /// @param[out] PictureID picture id of the image found (empty: none)
  /// @param[out] captureDate its capture date
  /// @param[out] imagetype its image type
  /// @param[out] ToothGroupname its tooth group name
  /// @param[out] comment its comment
  /// @param[out] toothgroups its tooth groups
  /// @param[out] Xraydata its X-ray data
  /// @return the result code:
  ///   - 1: an image was found
  ///   - 0: no image (empty picture id), or no reply within 15 seconds
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone
  ///   - -5: `patientid` is empty
  ///   - -10: a run-time failure ended the call
  ///   - -12: nobody is logged in (checked before `patientid`)
  int32_t SearchImage(std::string& patientid, std::string& indate, std::string& PictureID,
                      std::string& captureDate, std::string& imagetype, std::string& ToothGroupname,
                      std::string& comment, std::string& toothgroups, std::string& Xraydata);
  /// @brief Has the imaging application deliver one image file into a folder and returns the
  /// file's path.
  ///
  /// Waits 5 seconds, or 60 seconds for picture id -1; when the time is up a message box says so
  /// ("GetImage timed out after 5 seconds.") and the call returns 0 after it is closed. Runs the
  /// same way in text-out mode.
  /// @param[in] PictureID the picture id, a number (-1 asks with the longer wait)
  /// @param[in] templib the destination folder; a backslash is added when it does not end in one
  /// @param[in,out] PicturePath in: sent along with the request; out: the path of the delivered
  ///   file
  /// @return the result code:
  ///   - 1: the file's path came back
  ///   - 0: an empty path came back, or no reply within the time (after the message box)
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone
  ///   - -10: a run-time failure ended the call, for example a `PictureID` that is not a number
  ///     (the request has then been sent)
  ///   - -12: nobody is logged in
  int32_t GetImage(std::string& PictureID, std::string& templib, std::string& PicturePath);
  /// @brief Passes a set of image search criteria to the imaging application, without waiting
  /// for an answer.
  ///
  /// The dates are sent as written when they are dates in the user's locale format, joined as
  /// "from#to"; a date that is not one is left out. Runs the same way in text-out mode. A
  /// run-time failure shows a message box ("FindImages: " + number + description) and returns
  /// the result held so far.
  /// @param[in] PictureID picture id
  /// @param[in] patientid patient id
  /// @param[in] FromDate first capture date
  /// @param[in] ToDate last capture date
  /// @param[in] imagetype image type
  /// @param[in] ToothGroupname tooth group name
  /// @param[in] comment comment
  /// @param[in] toothgroups tooth groups
  /// @param[in] Xraydata X-ray data
  /// @return the result code:
  ///   - 0: the request was sent (this member's success; it never returns 1)
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone
  ///   - -12: nobody is logged in
  int32_t FindImages(std::string& PictureID, std::string& patientid, std::string& FromDate,
                     std::string& ToDate, std::string& imagetype, std::string& ToothGroupname,
                     std::string& comment, std::string& toothgroups, std::string& Xraydata);
  /// @brief Reads the image that the user has selected in the imaging application.
  ///
  /// Sends the arguments' values along and, on success, replaces all nine with the selected
  /// image's; otherwise they keep their values. Runs the same way in text-out mode. A run-time
  /// failure shows a message box ("GetSelectedImageInfo: " + number + description) and returns
  /// the result held so far.
  /// @param[in,out] PictureID picture id
  /// @param[in,out] patientid patient id
  /// @param[in,out] ImageDate capture date
  /// @param[in,out] imagetype image type
  /// @param[in,out] OrgPath path of the original image
  /// @param[in,out] ToothGroupname tooth group name
  /// @param[in,out] comment comment
  /// @param[in,out] toothgroups tooth groups
  /// @param[in,out] Xraydata X-ray data
  /// @return the result code:
  ///   - 1: the selected image was read
  ///   - 0: no image is selected
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone
  ///   - -6: no reply within 20 seconds
  ///   - -7: a reply with another command code ended the wait
  ///   - -12: nobody is logged in
  int32_t GetSelectedImageInfo(std::string& PictureID, std::string& patientid,
                               std::string& ImageDate, std::string& imagetype, std::string& OrgPath,
                               std::string& ToothGroupname, std::string& comment,
                               std::string& toothgroups, std::string& Xraydata);
  /// @brief Reads the image card that the user has selected in the imaging application, and can
  /// ask for its images and original images.
  ///
  /// Sends the first four arguments' values along and, on success, replaces them with the
  /// selected card's; otherwise they keep their values. Runs the same way in text-out mode.
  /// @param[in,out] ImageCardID image card number
  /// @param[in,out] patientid patient id
  /// @param[in,out] ICXML the image card's content as one text
  /// @param[in,out] ImagePath image path
  /// @param[in] bGetImages ask the imaging application for the card's images
  /// @param[in] bGetOriginals ask the imaging application for the card's original images
  /// @return the result code:
  ///   - 1: the selected image card was read
  ///   - 0: no image card is selected
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone
  ///   - -6: no reply within 60 seconds
  ///   - -7: a reply with another command code ended the wait
  ///   - -12: nobody is logged in
  /// @throws AutomationError number -100, source "Orvabridge.Appl.GetSelectedImageCard"
  ///   (description with " error: "), on an unexpected failure
  int32_t GetSelectedImageCard(int32_t& ImageCardID, std::string& patientid, std::string& ICXML,
                               std::string& ImagePath, bool& bGetImages, bool& bGetOriginals);
  /// @brief Logs the current user out of the imaging application.
  ///
  /// Runs no session check. In text-out mode it only logs the call.
  /// @return the result code:
  ///   - the imaging application's own result when its logout reply arrived (0 when the reply is
  ///     too short to carry one)
  ///   - 1: also in text-out mode
  ///   - 0: a reply of another kind ended the wait
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone
  ///   - -5: no reply within 20 seconds (this member's time-out code)
  /// @throws AutomationError with the failure's own number on an unexpected failure
  int32_t UserLogout();
  /// @brief Logs a user in, with rights given as eight flags; can create or update the user as
  /// `ChangeRightsMethod` says.
  ///
  /// Runs no session check. In text-out mode it only logs the call; that line carries the
  /// passwords in clear text. The name parts are replaced from any login reply, whatever its
  /// result.
  /// @param[in] LoginName the user's login name (required; sent untrimmed)
  /// @param[in] Password the user's password
  /// @param[in] AdminLoginName an administrator's login name, for creating or changing the user
  /// @param[in] AdminPassword that administrator's password
  /// @param[in,out] UserPrefix name prefix; replaced from the reply
  /// @param[in,out] UserFirstname first name; replaced from the reply
  /// @param[in,out] UserLastname last name; replaced from the reply
  /// @param[in] ChangeRightsMethod a ChangeRightsOptions value (0 when omitted)
  /// @param[in] ApproveRights right to approve
  /// @param[in] EditRights right to edit
  /// @param[in] DeleteRights right to delete
  /// @param[in] PrintPatientInfoRights right to print patient information
  /// @param[in] ExportDCMRights right to export DICOM files
  /// @param[in] ImportDCMRights right to import DICOM files
  /// @param[in] CaptureAndNonDCMImportRights right to capture and to import other files
  /// @param[in] AdminRights administrator rights
  /// @param[in] WorkstationName the workstation name to send (empty is sent empty)
  /// @return the result code:
  ///   - the imaging application's own result when its login reply arrived (1: logged in)
  ///   - 1: also in text-out mode
  ///   - 0: a reply of another kind ended the wait
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone (also while waiting)
  ///   - -5: `LoginName` is empty after trimming blanks
  ///   - -6: `ChangeRightsMethod` is outside 0 to 2
  ///   - -7: no reply within 20 seconds (this member's time-out code)
  /// @throws AutomationError number -100, source "Orvabridge.Appl.UserLogin", on an unexpected
  ///   failure
  int32_t UserLogin(std::string& LoginName, std::string& Password,
                    std::string* AdminLoginName = nullptr, std::string* AdminPassword = nullptr,
                    std::string* UserPrefix = nullptr, std::string* UserFirstname = nullptr,
                    std::string* UserLastname = nullptr, int32_t* ChangeRightsMethod = nullptr,
                    bool* ApproveRights = nullptr, bool* EditRights = nullptr,
                    bool* DeleteRights = nullptr, bool* PrintPatientInfoRights = nullptr,
                    bool* ExportDCMRights = nullptr, bool* ImportDCMRights = nullptr,
                    bool* CaptureAndNonDCMImportRights = nullptr, bool* AdminRights = nullptr,
                    std::string* WorkstationName = nullptr);
  /// @brief Returns the folder in which the imaging application keeps the data of the patient
  /// that is open, read from its database.
  ///
  /// Asks the imaging application for the current patient, then reads the root folder and the
  /// patient's database key: the folder is root + "\" + bucket + "_\" + key, the bucket being
  /// the key rounded down to a multiple of 500. In stub mode it returns the TEMP folder. No
  /// text-out short cut, no session check.
  /// @return the folder; empty when no patient is open or the patient is not in the database
  /// @throws AutomationError with the failure's own number when the database cannot be read
  std::string GetCurrentPatientFolder();
  /// @brief Shows, moves, sizes, pins, embeds or releases the imaging application's window.
  ///
  /// Acts on the window through the window manager; nothing is sent to the imaging application.
  /// A width or height of 0 keeps the size, an x or y of 0 keeps the position. In text-out mode
  /// it only logs the call.
  /// @param[in] iState 0 normal, 1 minimised, 2 maximised, 3 top-most; any other value leaves
  ///   the show state alone (the window is then not top-most)
  /// @param[in] lXPos left edge, in screen (or parent window) pixels
  /// @param[in] lYPos top edge
  /// @param[in] lwidth width
  /// @param[in] lheight height
  /// @param[in] lParent a host window to embed the imaging window into (its title bar is
  ///   removed); -1 gives it back to its former parent with its title bar; 0 changes nothing
  /// @return the result code:
  ///   - 1: done (also in text-out mode, and when the window no longer exists)
  ///   - -4: no control window: not attached and a quiet re-attach found none
  ///   - any other value: the number of the run-time failure that stopped the call
  int32_t SetWindowState(int16_t* iState = nullptr, int32_t* lXPos = nullptr,
                         int32_t* lYPos = nullptr, int32_t* lwidth = nullptr,
                         int32_t* lheight = nullptr, int32_t* lParent = nullptr);
  /// @brief Has the imaging application run a modality worklist query with the given criteria.
  ///
  /// The library passes the criteria on and returns the number the imaging application answers
  /// with. No text-out short cut: it runs the same way in text-out mode.
  /// @param[in] PatID patient id
  /// @param[in] PatName patient name
  /// @param[in] AccNo accession number
  /// @param[in] ProcID procedure id
  /// @param[in] StartDate the start date as an automation date (days since 30 December 1899;
  ///   0 when omitted)
  /// @param[in] StationAE the station's application entity title
  /// @param[in] Modality modality
  /// @return the result code:
  ///   - the number the imaging application answered with
  ///   - 0: its answer holds no number, or a reply of another kind ended the wait
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone
  ///   - -7: no reply within 20 seconds (this member's time-out code)
  ///   - -12: nobody is logged in
  /// @throws AutomationError number -100, source "Orvabridge.Appl.MWLQuery", on an unexpected
  ///   failure (for example an answer too large for 32 bits)
  int32_t MWLQuery(std::string* PatID = nullptr, std::string* PatName = nullptr,
                   std::string* AccNo = nullptr, std::string* ProcID = nullptr,
                   double* StartDate = nullptr, std::string* StationAE = nullptr,
                   std::string* Modality = nullptr);
  /// @brief Logs a user in as a member of a user group instead of with rights.
  ///
  /// As UserLogin(), except that the group replaces the rights and the control window is not
  /// watched while the call waits (a vanished window then ends as the time-out, -7).
  /// @param[in] LoginName the user's login name (required; sent untrimmed)
  /// @param[in] Password the user's password
  /// @param[in] UserGroup the user group (may be empty)
  /// @param[in] AdminLoginName an administrator's login name, for creating or changing the user
  /// @param[in] AdminPassword that administrator's password
  /// @param[in,out] UserPrefix name prefix; replaced from the reply
  /// @param[in,out] UserFirstname first name; replaced from the reply
  /// @param[in,out] UserLastname last name; replaced from the reply
  /// @param[in] ChangeRightsMethod a ChangeRightsOptions value (0 when omitted)
  /// @param[in] WorkstationName the workstation name to send (empty is sent empty)
  /// @return the result code:
  ///   - the imaging application's own result when its login reply arrived (1: logged in)
  ///   - 1: also in text-out mode
  ///   - 0: a reply of another kind ended the wait
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it was gone before the request was sent
  ///   - -5: `LoginName` is empty after trimming blanks
  ///   - -6: `ChangeRightsMethod` is outside 0 to 2
  ///   - -7: no reply within 20 seconds (this member's time-out code)
  /// @throws AutomationError number -100, source "Orvabridge.Appl.UserGroupLogin", on an
  ///   unexpected failure
  int32_t UserGroupLogin(std::string& LoginName, std::string& Password, std::string& UserGroup,
                         std::string* AdminLoginName = nullptr,
                         std::string* AdminPassword = nullptr, std::string* UserPrefix = nullptr,
                         std::string* UserFirstname = nullptr, std::string* UserLastname = nullptr,
                         int32_t* ChangeRightsMethod = nullptr,
                         std::string* WorkstationName = nullptr);
  /// @brief Logs a user in, with rights given as one bit mask.
  ///
  /// As UserLogin(), with the eight flags replaced by `lRights`, which also carries a ninth
  /// right.
  /// @param[in] LoginName the user's login name (required; sent untrimmed)
  /// @param[in] Password the user's password
  /// @param[in] AdminLoginName an administrator's login name, for creating or changing the user
  /// @param[in] AdminPassword that administrator's password
  /// @param[in,out] UserPrefix name prefix; replaced from the reply
  /// @param[in,out] UserFirstname first name; replaced from the reply
  /// @param[in,out] UserLastname last name; replaced from the reply
  /// @param[in] ChangeRightsMethod a ChangeRightsOptions value (0 when omitted)
  /// @param[in] lRights the rights: 1 edit, 2 approve, 4 delete, 8 administrator, 16 capture
  ///   and import of other files, 32 print patient information, 64 export DICOM, 128 import
  ///   DICOM, 256 the ninth right; higher bits are sent along unchanged
  /// @param[in] WorkstationName the workstation name to send (empty is sent empty)
  /// @return the result code:
  ///   - the imaging application's own result when its login reply arrived (1: logged in)
  ///   - 1: also in text-out mode
  ///   - 0: a reply of another kind ended the wait
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone (also while waiting)
  ///   - -5: `LoginName` is empty after trimming blanks
  ///   - -6: `ChangeRightsMethod` is outside 0 to 2
  ///   - -7: no reply within 20 seconds (this member's time-out code)
  /// @throws AutomationError number -100, source "Orvabridge.Appl.Userloginex" (written so), on
  ///   an unexpected failure
  int32_t UserLoginEx(std::string& LoginName, std::string& Password,
                      std::string* AdminLoginName = nullptr, std::string* AdminPassword = nullptr,
                      std::string* UserPrefix = nullptr, std::string* UserFirstname = nullptr,
                      std::string* UserLastname = nullptr, int32_t* ChangeRightsMethod = nullptr,
                      int32_t* lRights = nullptr, std::string* WorkstationName = nullptr);
  /// @brief Reads the responsible person known to the imaging application.
  ///
  /// The outputs are written whenever the imaging application answers, whatever its result. No
  /// text-out short cut: it runs the same way in text-out mode.
  /// @param[out] rpID the person's id
  /// @param[out] rpPrefix name prefix
  /// @param[out] rpFirstname first name
  /// @param[out] rpLastname last name
  /// @param[out] rpGUID unique identifier
  /// @param[out] rpShortname short name
  /// @param[out] rpContactInfo contact information
  /// @param[out] rpEMail e-mail address
  /// @param[out] rpLoginname login name
  /// @param[out] rpType the person's type, as the imaging application numbers it
  /// @return the result code:
  ///   - the imaging application's own result when it answered (1: read)
  ///   - 0: a reply of another kind ended the wait
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone
  ///   - -7: no reply within 20 seconds (this member's time-out code)
  ///   - -12: nobody is logged in
  /// @throws AutomationError number -100, source "Orvabridge.Appl.GetRespPerson", on an
  ///   unexpected failure
  int32_t GetRespPerson(int32_t* rpID = nullptr, std::string* rpPrefix = nullptr,
                        std::string* rpFirstname = nullptr, std::string* rpLastname = nullptr,
                        std::string* rpGUID = nullptr, std::string* rpShortname = nullptr,
                        std::string* rpContactInfo = nullptr, std::string* rpEMail = nullptr,
                        std::string* rpLoginname = nullptr, int32_t* rpType = nullptr);
  /// @brief Opens a patient in the imaging application and waits until it is the current one.
  ///
  /// Sends the request, then asks for the current patient about every half second for up to 20
  /// seconds. With option 0 the window is brought to the front when `PatID` is not empty; an
  /// imaging application of version 3.0 is then also maximised.
  /// @param[in] PatID the patient id to open (an empty one is sent too)
  /// @param[in] lOptions 0 bring to front when a patient is given, 1 always, 2 (or any other
  ///   value) never; also handed to the imaging application unchanged
  /// @return the result code:
  ///   - 1: the patient is now the current one (also in text-out mode)
  ///   - 0: the patient did not become current within 20 seconds
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone (also while waiting)
  ///   - -12: nobody is logged in
  /// @throws AutomationError number -100, source "Orvabridge.Appl.ShowPatientEx", on an
  ///   unexpected failure
  int32_t ShowPatientEx(std::string& PatID, int32_t& lOptions);
  /// @brief Brings up a patient, series, image card or image in the imaging application.
  ///
  /// A patient given by `sUID` with database number 0 is opened by ShowPatientEx(); every other
  /// object is handed to the imaging application, whose own result is returned. Bring-to-front
  /// follows `lOptions` as in ShowPatientEx() (with option 0: when `lDBID` is not 0 or `sUID` is
  /// not empty). No text-out short cut: it runs the same way in text-out mode.
  /// @param[in] ObjectType the kind of object (soObjectTypes)
  /// @param[in] lDBID the object's database number (0: none)
  /// @param[in] sUID the object's unique identifier, or the patient id for a patient
  /// @param[in] lOptions bring-to-front option as in ShowPatientEx(), handed on unchanged
  /// @return the result code:
  ///   - the imaging application's own result (1: shown, 0: not shown), or that of
  ///     ShowPatientEx() for a patient given by id
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone (also while waiting)
  ///   - -6: no reply within 30 seconds
  ///   - -7: a reply with another command code ended the wait
  ///   - -12: nobody is logged in
  /// @throws AutomationError number -100, source "Orvabridge.Appl.ShowObject", on an unexpected
  ///   failure
  int32_t ShowObject(soObjectTypes& ObjectType, int32_t& lDBID, std::string* sUID = nullptr,
                     int32_t* lOptions = nullptr);
  /// @brief Reads who is logged in to the imaging application, with a free text both ways.
  ///
  /// An imaging application older than 3.1.1199 cannot answer: the call then reports a logged-in
  /// user without asking. The outputs are written when the imaging application answers (and
  /// `IsLoggedIn` by that version rule); otherwise they keep their values. This is also the
  /// session check that most other requests run first. No text-out short cut.
  /// @param[out] UserID the user's id
  /// @param[out] UserPrefix name prefix
  /// @param[out] UserFirstname first name
  /// @param[out] UserLastname last name
  /// @param[out] UserLogin login name
  /// @param[out] UserGroup user group
  /// @param[out] WorkstationName workstation name
  /// @param[out] IsLoggedIn whether a user is logged in
  /// @param[out] LoginMethod how the user logged in, as the imaging application numbers it
  /// @param[out] Rights the user's rights, as the imaging application numbers them
  /// @param[in,out] sextra a free text sent along; replaced by the one that comes back
  /// @return the result code:
  ///   - 1: an imaging application older than 3.1.1199; `IsLoggedIn` set to true, nothing sent
  ///   - the imaging application's own result when it answered (1: read)
  ///   - 0: a reply of another kind ended the wait
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone (also while waiting)
  ///   - -7: no reply within 20 seconds (this member's time-out code)
  /// @throws AutomationError number -100, source "Orvabridge.Appl.GetSessionInfo", on an
  ///   unexpected failure (for example a login method or rights value outside 16 bits)
  int32_t GetSessionInfo(int32_t* UserID = nullptr, std::string* UserPrefix = nullptr,
                         std::string* UserFirstname = nullptr, std::string* UserLastname = nullptr,
                         std::string* UserLogin = nullptr, std::string* UserGroup = nullptr,
                         std::string* WorkstationName = nullptr, bool* IsLoggedIn = nullptr,
                         int16_t* LoginMethod = nullptr, int16_t* Rights = nullptr,
                         std::string* sextra = nullptr);
  /// @brief Adds a patient, with the patient's other identifiers (the extended patient record).
  ///
  /// No answer is awaited: 1 means that the record was handed to the imaging application, not
  /// that the patient was stored. In text-out mode it only logs the call.
  /// @param[in] PatID patient id (required)
  /// @param[in] FName first name
  /// @param[in] LName last name
  /// @param[in] Sex sex
  /// @param[in] Adress address
  /// @param[in] TelOne first telephone number
  /// @param[in] TelTwo second telephone number
  /// @param[in] TelMobile mobile telephone number
  /// @param[in] Email e-mail address
  /// @param[in] Birthdate birth date, sent as given
  /// @param[in] Comments comments
  /// @param[in] OtherIDs the patient's other identifiers
  /// @return the result code:
  ///   - 1: record delivered (also in text-out mode); storing is not confirmed
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone (also when a hung imaging application did not
  ///     take the record within 20 seconds)
  ///   - -5: `PatID` is empty
  ///   - -12: nobody is logged in (checked before `PatID`)
  /// @throws AutomationError number -100, source "Orvabridge.Appl.AddPatientEx", on an
  ///   unexpected failure
  int32_t AddPatientEx(std::string& PatID, std::string& FName, std::string& LName, std::string& Sex,
                       std::string& Adress, std::string& TelOne, std::string& TelTwo,
                       std::string& TelMobile, std::string& Email, std::string& Birthdate,
                       std::string& Comments, std::string& OtherIDs);
  /// @brief Changes a patient, with the patient's other identifiers (the extended patient
  /// record).
  ///
  /// No answer is awaited: 1 means that the record was handed to the imaging application, not
  /// that the patient was changed. In text-out mode it only logs the call.
  /// @param[in] PatID patient id of the patient to change (required)
  /// @param[in] FName first name
  /// @param[in] LName last name
  /// @param[in] Sex sex
  /// @param[in] Adress address
  /// @param[in] TelOne first telephone number
  /// @param[in] TelTwo second telephone number
  /// @param[in] TelMobile mobile telephone number
  /// @param[in] Email e-mail address
  /// @param[in] Birthdate birth date, sent as given
  /// @param[in] Comments comments
  /// @param[in] OtherIDs the patient's other identifiers (empty when omitted)
  /// @return the result code:
  ///   - 1: record delivered (also in text-out mode); the change is not confirmed
  ///   - -1, -2, -3: the link is not ready (hidden form not loaded, no reply window, attach
  ///     message not registered)
  ///   - -4: no control window, or it is gone (also when a hung imaging application did not
  ///     take the record within 20 seconds)
  ///   - -5: `PatID` is empty
  ///   - -12: nobody is logged in (checked before `PatID`)
  /// @throws AutomationError number -100, source "Orvabridge.Appl.ChangePatientEx", on an
  ///   unexpected failure
  int32_t ChangePatientEx(std::string& PatID, std::string& FName, std::string& LName,
                          std::string& Sex, std::string& Adress, std::string& TelOne,
                          std::string& TelTwo, std::string& TelMobile, std::string& Email,
                          std::string& Birthdate, std::string& Comments,
                          std::string* OtherIDs = nullptr);
  /// @brief Tells whether text-out mode is on: calls are written to the workstation's text-out
  /// file instead of being sent.
  ///
  /// Changes nothing.
  /// @return true when the `OrvabridgeTXTOUT` setting names a folder (and this workstation is not
  ///   excepted), also one that cannot be used; false otherwise
  bool ToFile() const;
  /// @brief Reads the installation and this workstation's settings again.
  ///
  /// Loads the installation values from the class library (executable path, version, the
  /// settings key), the computer name, the workstation name (the terminal client's name when
  /// `WSNameFromClientname` is 1) and the text-out setting; in text-out mode it prepares the
  /// text-out folder and starts a new, empty call log. Never throws: a missing class library is
  /// noted (InitApplication() then returns -5), any other failure is shown in a message box and
  /// the next step runs.
  void GetComputerOrClientName();
  /// @brief Reads one general value from the imaging application's database.
  /// @param[in] ggiType the value to read (ggis; only ggiLicName is known)
  /// @return the licence name of the newest licence row; empty for another `ggiType` or when
  ///   the licence table is empty
  /// @throws AutomationError with the failure's own number when the database cannot be read
  std::string GetGeneralInfo(ggis& ggiType);

 private:
  struct Impl;
  friend struct ApplAccess;
  explicit Appl(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace orvabridge
