#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device/Model/DeepCopyable.h"

namespace {

// A small reference-like model object with nested objects, copied the way model types copy.
struct Node {
  std::string name;
  std::vector<std::shared_ptr<Node>> children;

  explicit Node(std::string name) : name(std::move(name)) {}
  Node(device::DeepCopyTag, const Node& source)
      : name(source.name), children(device::deepCopy(source.children)) {}
};

static_assert(device::DeepCopyable<Node>);
static_assert(!device::DeepCopyable<std::vector<int>>);

TEST(DeepCopy, CopiesTheWholeTreeWithoutSharing) {
  auto root = std::make_shared<Node>("root");
  root->children = {std::make_shared<Node>("a"), std::make_shared<Node>("b")};
  root->children[0]->children = {std::make_shared<Node>("a1")};

  const auto copy = device::deepCopy(root);
  ASSERT_NE(copy, root);
  ASSERT_EQ(copy->children.size(), 2u);
  EXPECT_NE(copy->children[0], root->children[0]);
  EXPECT_EQ(copy->children[1]->name, "b");
  EXPECT_EQ(copy->children[0]->children[0]->name, "a1");

  copy->children[0]->children[0]->name = "changed";
  root->children[1]->name = "changed too";
  EXPECT_EQ(root->children[0]->children[0]->name, "a1");
  EXPECT_EQ(copy->children[1]->name, "b");

  const auto copyOfCopy = device::deepCopy(copy);
  EXPECT_EQ(copyOfCopy->children[0]->children[0]->name, "changed");
  EXPECT_TRUE(device::deepCopy(std::make_shared<Node>("leaf"))->children.empty());
  EXPECT_EQ(device::deepCopy(std::shared_ptr<Node>{}), nullptr);
}

}  // namespace
