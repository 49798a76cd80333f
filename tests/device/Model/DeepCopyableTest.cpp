#include <gtest/gtest.h>

#include <string>

#include "device/Model/DeepCopyable.h"

namespace {

// A reference-like model object with nested objects, copied the way model types copy.
struct Node {
  std::string name;
  std::vector<std::shared_ptr<Node>> children;

  explicit Node(std::string name) : name(std::move(name)) {}
  Node(device::DeepCopyTag, const Node& source)
      : name(source.name), children(device::deepCopy(source.children)) {}
};

TEST(DeepCopy, CopiesTheWholeTreeWithoutSharing) {
  auto root = std::make_shared<Node>("root");
  root->children = {std::make_shared<Node>("a"), std::make_shared<Node>("b")};
  root->children[0]->children = {std::make_shared<Node>("a1")};

  const auto copy = device::deepCopy(root);
  copy->children[0]->children[0]->name = "changed";
  root->children[1]->name = "changed too";
  EXPECT_EQ(root->children[0]->children[0]->name, "a1");
  EXPECT_EQ(copy->children[1]->name, "b");
  EXPECT_EQ(device::deepCopy(copy)->children[0]->children[0]->name, "changed");
  EXPECT_TRUE(device::deepCopy(std::make_shared<Node>("leaf"))->children.empty());
  EXPECT_EQ(device::deepCopy(std::shared_ptr<Node>{}), nullptr);
}

}  // namespace
