#include "shell/setting_links.h"

#include "config/parameter_controls.h"
#include "config/parameter_store.h"
#include "config/parameters.h"
#include "foundation/folders.h"
#include "foundation/random.h"

namespace orv {

void gf_linkSettingsIntoFoundation() {
  gf_setRandomOption([] { return cfg::RANDOM.value(); });
  gf_setPackagesPathSettings({
      .stored =
          [](bool msfs2020) {
            return (msfs2020 ? cfg::MSFS_INSTALL_PATH : cfg::MSFS_2024_INSTALL_PATH).value();
          },
      .store =
          [](bool msfs2020, const std::string& path) {
            gf_setAndWriteParameter(msfs2020 ? cfg::MSFS_INSTALL_PATH : cfg::MSFS_2024_INSTALL_PATH, path);
            cfg::ALL_INSTALL_PATH.set(path);
            gf_showTextParameter(cfg::ALL_INSTALL_PATH, cfg::ALL_INSTALL_PATH);
          },
  });
}

}  // namespace orv
