// The scene dispatch. Main thread only.
#include "scenes/scene_dispatch_win.h"

#include "scenes/cuboid_scene_win.h"
#include "scenes/grid_scene_win.h"
#include "scenes/star_scene_win.h"
#include "settings/options_record.h"

int32_t screenWidth = 0;
int32_t screenHeight = 0;

namespace {

enum class Scene { Cuboid, Grid, Star };

// A damaged or foreign shape value still gets a scene: the star field.
Scene ChosenScene() {
  switch (saverOptions.shape) {
    case 1:
      return Scene::Cuboid;
    case 2:
      return Scene::Grid;
    default:
      return Scene::Star;
  }
}

}  // namespace

HRESULT InitScene() {
  switch (ChosenScene()) {
    case Scene::Cuboid:
      return CuboidScene::Init();
    case Scene::Grid:
      return GridScene::Init();
    case Scene::Star:
      break;
  }
  return StarScene::Init();
}

int32_t AdvanceScene() {
  switch (ChosenScene()) {
    case Scene::Cuboid:
      CuboidScene::Advance();
      break;
    case Scene::Grid:
      GridScene::Advance();
      break;
    case Scene::Star:
      StarScene::Advance();
      break;
  }
  return 0;
}

// The frame's result is dropped on purpose: the run loop has nothing to do about it.
int32_t DrawScene() {
  switch (ChosenScene()) {
    case Scene::Cuboid:
      CuboidScene::Draw();
      break;
    case Scene::Grid:
      GridScene::Draw();
      break;
    case Scene::Star:
      StarScene::Draw();
      break;
  }
  return 0;
}

void CleanupScene() {
  switch (ChosenScene()) {
    case Scene::Cuboid:
      CuboidScene::Cleanup();
      break;
    case Scene::Grid:
      GridScene::Cleanup();
      break;
    case Scene::Star:
      StarScene::Cleanup();
      break;
  }
}
