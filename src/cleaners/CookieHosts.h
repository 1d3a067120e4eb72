#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cleaners/ProfilesFinder.h"

// What the browsers hold that the keep lists can protect: the hosts that have cookies in
// Netscape and Firefox profiles, and Internet Explorer's typed web addresses. The cookies and
// URL managers list them; nothing here changes what it reads.
namespace lumexa::cleaners {

// The hosts of a Cookies.txt (the Netscape cookie file format): of every trimmed line that does
// not begin with "#" and holds a tab, the text before the first tab; in file order, repeats
// included.
std::vector<std::string> CookieFileHosts(std::string_view text);

// The hosts that hold cookies in the profiles, in profile order: a profile's "cookies.sqlite"
// (the "host" column of every row of moz_cookies, trimmed) when `sqlite` and the database
// exists, else its "Cookies.txt". A database or file that cannot be read adds nothing; an error
// while reading a database keeps the hosts read before it.
std::vector<std::string> ProfileCookieHosts(const TSavedProfiles& profiles, bool sqlite);

// The typed URLs under HKEY_CURRENT_USER "Software\Microsoft\Internet Explorer\TypedURLs"
// that are web addresses (beginning with "http" or "www", any case), as typed, in the order of
// the value names. The key is only read.
std::vector<std::string> TypedWebUrls();

class TIECleanerThread;

// Internet Explorer's cookie store (shared by AOL), as the cleaner sees it: a suspended
// Internet Explorer cleaner that analyses item 56 only, with the default deletion settings, and
// calls `onHost` on its own thread with the host of every cookie entry of the URL cache
// (CookieUrlHost), in cache order, repeats included. It changes nothing; it sets Terminated
// when done.
std::unique_ptr<TIECleanerThread> NewIECookieLister(std::function<void(std::string host)> onHost);
// The same, run to its end on the calling thread.
std::vector<std::string> IECookieHosts();

} // namespace lumexa::cleaners
