#pragma once

// The maker's names and addresses, in one place for the settings store, the
// about box, the update page and the update servers. The domains are
// reserved ones: the product's real addresses are not known here.
namespace viz::maker {

inline constexpr char kAuthor[] = "Ruderu";
inline constexpr char kEmail[] = "ruderu@vizuruv.example";
inline constexpr char kBlog[] = "http://blog.vizuruv.example";
inline constexpr char kShop[] = "http://shop.vizuruv.example";
inline constexpr char kForum[] = "http://bbs.vizuruv.example";
inline constexpr char kWebSite[] = "http://www.vizuruv.example";
// The file host that serves new versions first; the web site is its mirror.
inline constexpr char kUpdateHost[] = "http://update.vizuruv.example";

inline constexpr char kUserGroups[] = "用户交流群：请到论坛查看最新群号";
inline constexpr char kBoardDealers[] = "开发板经销：请到网站查看联系方式";

}  // namespace viz::maker
