// The demo data set: --demo-data and the data file that --data-template writes are one and the
// same, and it holds what the library's tests, the COM scripts and the demo rely on.
#include "sim/demo_seed.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "scratch_folder.h"
#include "support/latin1_code_page.h"
#include "sim/startup.h"

namespace orvabridge::testing {
namespace {

using ::testing::HasSubstr;
using Args = std::vector<std::string>;

sim::Startup Start(const Args& arguments, std::ostream& out) {
  std::ostringstream err;
  Latin1CodePage code_page;
  sim::Startup startup = sim::PrepareStartup("", arguments, out, err, code_page);
  EXPECT_EQ(err.str(), "");
  return startup;
}

TEST(SimDemoDataTest, TheWrittenTemplateLoadsAsTheDemoDataSet) {
  std::ostringstream written;
  EXPECT_EQ(Start({"--data-template"}, written).exit_code, sim::kExitNormal);
  const std::string text = written.str();
  EXPECT_THAT(text, HasSubstr("// orva-sim data file")) << "the template explains itself";
  EXPECT_THAT(text, HasSubstr("\"users\"")) << "and holds data";

  ScratchFolder folder;
  std::ostringstream out;
  const sim::Startup loaded = Start({"--data", folder.Write("practice.jsonc", text)}, out);
  ASSERT_FALSE(loaded.exit_code);
  ASSERT_TRUE(loaded.data.has_value());

  const sim::Startup demo = Start({"--demo-data"}, out);
  ASSERT_TRUE(demo.data.has_value());
  EXPECT_TRUE(*loaded.data == *demo.data);
  EXPECT_TRUE(*demo.data == sim::DemoModel());
  EXPECT_EQ(out.str(), "") << "a run prints nothing before it starts";
}

TEST(SimDemoDataTest, TheSetHoldsWhatTestsAndDemosRelyOn) {
  sim::SimModel model = sim::DemoModel();

  const sim::SimUser* user = model.FindUser(sim::demo::kUser);
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(user->password, sim::demo::kUser);
  const sim::SimUser* admin = model.FindUser(sim::demo::kAdmin);
  ASSERT_NE(admin, nullptr);
  EXPECT_EQ(admin->password, sim::demo::kAdmin);
  EXPECT_NE(static_cast<int32_t>(admin->rights) & sim::rights::kAdmin, 0);

  EXPECT_EQ(model.current_patient_id, sim::demo::kOpenPatient);
  EXPECT_NE(model.FirstImageOf(sim::demo::kOpenPatient, ""), nullptr);
  const sim::SimPatient* second = model.FindPatient(sim::demo::kSecondPatient);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->first_name, sim::demo::kSecondFirstName);
  EXPECT_EQ(second->last_name, sim::demo::kSecondLastName);

  ASSERT_NE(model.SelectedImage(), nullptr);
  EXPECT_EQ(model.SelectedImage()->picture_id, sim::demo::kSelectedPicture);
  EXPECT_EQ(model.SelectedImage()->patient_id, sim::demo::kOpenPatient);
  ASSERT_TRUE(model.selected_card.has_value());
  EXPECT_EQ(model.selected_card->patient_id, sim::demo::kOpenPatient);

  // tests/com/simulator.vbs: a query without criteria finds three entries, patient 1002 one.
  ASSERT_TRUE(model.worklist.has_value());
  EXPECT_EQ(model.worklist->size(), 3u);
  EXPECT_EQ(std::count_if(model.worklist->begin(), model.worklist->end(),
                          [](const sim::SimWorklistEntry& entry) {
                            return entry.patient_id == sim::demo::kSecondPatient;
                          }),
            1);
  EXPECT_FALSE(model.logged_in_login.has_value()) << "--logged-in logs in, not the data";
}

}  // namespace
}  // namespace orvabridge::testing
