// The scene dispatch. Main thread only.
#include "scenes/scene_dispatch_win.h"

#include "scenes/cuboid_scene_win.h"
#include "scenes/grid_scene_win.h"
#include "scenes/star_scene_win.h"
#include "settings/options_record.h"

int32_t screenWidth = 0;
int32_t screenHeight = 0;

namespace {

struct SceneOperations {
  HRESULT (*init)();
  void (*advance)();
  HRESULT (*draw)();
  void (*cleanup)();
  ScreenArea (*textureArea)();
};

constexpr SceneOperations kCuboid = {CuboidScene::Init, CuboidScene::Advance, CuboidScene::Draw, CuboidScene::Cleanup,
                                     CuboidScene::TextureArea};
constexpr SceneOperations kGrid = {GridScene::Init, GridScene::Advance, GridScene::Draw, GridScene::Cleanup,
                                   GridScene::TextureArea};
constexpr SceneOperations kStar = {StarScene::Init, StarScene::Advance, StarScene::Draw, StarScene::Cleanup,
                                   StarScene::TextureArea};

// Read afresh at every call. A damaged or foreign shape value still gets a scene: the star
// field.
const SceneOperations& ChosenScene() {
  switch (saverOptions.shape) {
    case kShapeCuboid:
      return kCuboid;
    case kShapeGrid:
      return kGrid;
    default:
      return kStar;
  }
}

}  // namespace

HRESULT InitScene() { return ChosenScene().init(); }

int32_t AdvanceScene() {
  ChosenScene().advance();
  return 0;
}

HRESULT DrawScene() { return ChosenScene().draw(); }

void CleanupScene() { ChosenScene().cleanup(); }

ScreenArea SceneTextureArea() { return ChosenScene().textureArea(); }
