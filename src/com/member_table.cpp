#include "com/member_table.h"

namespace orvabridge::com {
namespace {

struct Entry {
  DISPID id;
  MemberCall call;
};

// Argument indices follow the parameter order of orvabridge.idl; the dispatcher checks every
// type asked for here against the type library, so a slip shows up as a failed call, never as a
// wrong cast.
constexpr Entry kMembers[] = {
    {0x60030000,
     [](_Appl& t, DispatchArguments& a) {
       return t.InitApplication(a.Text(0), a.Text(1), a.LongResult());
     }},
    {0x60030001, [](_Appl& t, DispatchArguments& a) { return t.CloseApplication(a.LongResult()); }},
    {0x60030003,
     [](_Appl& t, DispatchArguments& a) {
       return t.GetCurrentPatient(a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Text(4), a.Text(5),
                                  a.Text(6), a.Text(7), a.Text(8), a.Text(9), a.Text(10),
                                  a.LongResult());
     }},
    {0x60030004,
     [](_Appl& t, DispatchArguments& a) {
       return t.FindPatient(a.Text(0), a.Text(1), a.Text(2), a.LongResult());
     }},
    {0x60030005,
     [](_Appl& t, DispatchArguments& a) { return t.ShowPatient(a.Text(0), a.LongResult()); }},
    {0x60030006,
     [](_Appl& t, DispatchArguments& a) {
       return t.AddPatient(a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Text(4), a.Text(5),
                           a.Text(6), a.Text(7), a.Text(8), a.Text(9), a.Text(10), a.LongResult());
     }},
    {0x60030007,
     [](_Appl& t, DispatchArguments& a) {
       return t.ChangePatient(a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Text(4), a.Text(5),
                              a.Text(6), a.Text(7), a.Text(8), a.Text(9), a.Text(10),
                              a.LongResult());
     }},
    {0x60030008,
     [](_Appl& t, DispatchArguments& a) {
       return t.SearchImage(a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Text(4), a.Text(5),
                            a.Text(6), a.Text(7), a.Text(8), a.LongResult());
     }},
    {0x60030009,
     [](_Appl& t, DispatchArguments& a) {
       return t.GetImage(a.Text(0), a.Text(1), a.Text(2), a.LongResult());
     }},
    {0x6003000c,
     [](_Appl& t, DispatchArguments& a) {
       return t.FindImages(a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Text(4), a.Text(5),
                           a.Text(6), a.Text(7), a.Text(8), a.LongResult());
     }},
    {0x6003000d,
     [](_Appl& t, DispatchArguments& a) {
       return t.GetSelectedImageInfo(a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Text(4),
                                     a.Text(5), a.Text(6), a.Text(7), a.Text(8), a.LongResult());
     }},
    {0x60030011,
     [](_Appl& t, DispatchArguments& a) {
       return t.GetSelectedImageCard(a.Long(0), a.Text(1), a.Text(2), a.Text(3), a.Flag(4),
                                     a.Flag(5), a.LongResult());
     }},
    {0x60030012, [](_Appl& t, DispatchArguments& a) { return t.UserLogout(a.LongResult()); }},
    {0x60030013,
     [](_Appl& t, DispatchArguments& a) {
       return t.UserLogin(a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Text(4), a.Text(5),
                          a.Text(6), a.EnumValue<::ChangeRightsOptions>(7), a.Flag(8), a.Flag(9),
                          a.Flag(10), a.Flag(11), a.Flag(12), a.Flag(13), a.Flag(14), a.Flag(15),
                          a.Text(16), a.LongResult());
     }},
    {0x60030014,
     [](_Appl& t, DispatchArguments& a) { return t.GetCurrentPatientFolder(a.TextResult()); }},
    {0x60030015,
     [](_Appl& t, DispatchArguments& a) {
       return t.SetWindowState(a.Short(0), a.Long(1), a.Long(2), a.Long(3), a.Long(4), a.Long(5),
                               a.LongResult());
     }},
    {0x6003001a,
     [](_Appl& t, DispatchArguments& a) {
       return t.MWLQuery(a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Date(4), a.Text(5),
                         a.Text(6), a.LongResult());
     }},
    {0x6003001f,
     [](_Appl& t, DispatchArguments& a) {
       return t.UserGroupLogin(a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Text(4), a.Text(5),
                               a.Text(6), a.Text(7), a.EnumValue<::ChangeRightsOptions>(8),
                               a.Text(9), a.LongResult());
     }},
    {0x60030024,
     [](_Appl& t, DispatchArguments& a) {
       return t.UserLoginEx(a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Text(4), a.Text(5),
                            a.Text(6), a.EnumValue<::ChangeRightsOptions>(7), a.Long(8), a.Text(9),
                            a.LongResult());
     }},
    {0x60030029,
     [](_Appl& t, DispatchArguments& a) {
       return t.GetRespPerson(a.Long(0), a.Text(1), a.Text(2), a.Text(3), a.Text(4), a.Text(5),
                              a.Text(6), a.Text(7), a.Text(8), a.Long(9), a.LongResult());
     }},
    {0x6003002d,
     [](_Appl& t, DispatchArguments& a) {
       return t.ShowPatientEx(a.Text(0), a.Long(1), a.LongResult());
     }},
    {0x60030031,
     [](_Appl& t, DispatchArguments& a) {
       return t.ShowObject(a.EnumValue<::soObjectTypes>(0), a.Long(1), a.Text(2), a.Long(3),
                           a.LongResult());
     }},
    {0x60030037,
     [](_Appl& t, DispatchArguments& a) {
       return t.GetSessionInfo(a.Long(0), a.Text(1), a.Text(2), a.Text(3), a.Text(4), a.Text(5),
                               a.Text(6), a.Flag(7), a.Short(8), a.Short(9), a.Text(10),
                               a.LongResult());
     }},
    {0x6003003b,
     [](_Appl& t, DispatchArguments& a) {
       return t.AddPatientEx(a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Text(4), a.Text(5),
                             a.Text(6), a.Text(7), a.Text(8), a.Text(9), a.Text(10), a.Text(11),
                             a.LongResult());
     }},
    {0x6003003c,
     [](_Appl& t, DispatchArguments& a) {
       return t.ChangePatientEx(a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Text(4), a.Text(5),
                                a.Text(6), a.Text(7), a.Text(8), a.Text(9), a.Text(10), a.Text(11),
                                a.LongResult());
     }},
    {0x6803003e, [](_Appl& t, DispatchArguments& a) { return t.get_ToFile(a.FlagResult()); }},
    {0x60030051, [](_Appl& t, DispatchArguments&) { return t.GetComputerOrClientName(); }},
    {0x60030053,
     [](_Appl& t, DispatchArguments& a) {
       return t.GetGeneralInfo(a.EnumValue<::ggis>(0), a.TextResult());
     }},
};

}  // namespace

MemberCall FindMemberCall(DISPID id) {
  for (const Entry& entry : kMembers) {
    if (entry.id == id) return entry.call;
  }
  return nullptr;
}

}  // namespace orvabridge::com
