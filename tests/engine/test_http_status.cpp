#include <gtest/gtest.h>

#include <string.h>

#include "vqHttpStatus.h"

TEST(HttpStatusLine, SplitsCodeAndReasonText) {
  struct Case {
    const char* line;
    int ok, code;
    const char* text;
  } cases[] = {
      {"HTTP/1.0 200 OK", 1, 200, "OK"},
      {"HTTP/1.1 401 Authorization Required", 1, 401, "Authorization Required"},
      {"HTTP/1.0  407   Proxy \t Authentication  Required ", 1, 407, "Proxy Authentication Required"},
      {"HTTP/1.0 204", 1, 204, ""},
      {"  HTTP/1.0 301 Moved", 1, 301, "Moved"},
      {"HTTP/1.0 99 Low", 0, 0, ""},
      {"HTTP/1.0 2000 Long", 0, 0, ""},
      {"HTTP/1.0 2x0 Bad", 0, 0, ""},
      {"HTTP/1.0", 0, 0, ""},
      {"garbage reply", 0, 0, ""},
      {"", 0, 0, ""},
  };
  for (const Case& c : cases) {
    int code = -1;
    char text[64];
    memset(text, 'x', sizeof text);
    EXPECT_EQ(c.ok, VQHTTP_ParseStatusLine(c.line, &code, text, sizeof text)) << "line \"" << c.line << "\"";
    EXPECT_EQ(c.code, code) << "line \"" << c.line << "\"";
    EXPECT_STREQ(c.text, text) << "line \"" << c.line << "\"";
  }
}

TEST(HttpStatusLine, CutsReasonTextToTheBuffer) {
  char text[8];
  memset(text, 'x', sizeof text);
  int code = 0;
  EXPECT_EQ(1, VQHTTP_ParseStatusLine("HTTP/1.0 500 Internal Server Error", &code, text, 6));
  EXPECT_EQ(500, code);
  EXPECT_STREQ("Inter", text);
  EXPECT_EQ('x', text[6]);
  EXPECT_EQ(0, VQHTTP_ParseStatusLine(nullptr, &code, text, sizeof text));
  EXPECT_EQ(1, VQHTTP_ParseStatusLine("HTTP/1.0 200 OK", nullptr, nullptr, 0));
}
