#include "settings/gallery_table.h"

const GalleryInfo kGalleryTable[kGalleryCount + 1] = {
    {L"Photos of the week - 150K daily traffic, 1 new photo every week",
     L"/showphotos.php?offset=0&where=|||||||90|2|||||||||||||||90|||||||||1|2||||&newsort=1", 86400},
    {L"People's Choice - 400K daily traffic, 3-4 new photos every week",
     L"/showphotos.php?offset=0&where=||||||||1||||||||||||||||||||||||||1|||&newdisplay=10", 86400},
    {L"Screener's Choice - 250K daily traffic, 1-2 new photos every week",
     L"/showphotos.php?offset=0&where=||||||||1||||||||||||||||||||||true|||||||&newdisplay=10", 86400},
    {L"Best of last 30 days - 2M daily traffic, 3-5 new photos every day",
     L"/showphotos.php?offset=0&where=|||||||90|1|||720||||||||||||90||||||||||1||||&newdisplay=10", 43200},
    {L"Best of last 7 days - 8M daily traffic, 15-20 new photos every day",
     L"/showphotos.php?offset=0&where=|||||||90|1|||168||||||||||||90||||||||||1||||&newdisplay=10", 21600},
    {L"Best of last 24 hours - 60M daily traffic, 5-10 new photos every hour",
     L"/showphotos.php?offset=0&where=|||||||90|1|||24||||||||||||90||||||||||1||||&newdisplay=10", 10800},
    {nullptr, nullptr, 0},
};

std::wstring GalleryListingAddress(int index, std::wstring_view photo_site) {
  std::wstring address(photo_site);
  if (index >= 0 && index < kGalleryCount) address += kGalleryTable[index].listing_path;
  return address;
}
