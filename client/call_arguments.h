#pragma once
// Arguments of remote calls as typed on a command line, and function keys
// as people read them.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace nolt::client {

// "_1", "_2", ... from the words: a word that is JSON is that value
// (5, true, null, "5", {"a":"b"}); any other word is a text. A word that
// starts like a JSON text, object or array must be valid JSON (ClientError).
nlohmann::json callData(const std::vector<std::string>& words);

// The words as arguments of one of the function's overloads (their keys):
// as typed when an overload takes them so; otherwise fitted to the one
// overload whose declared types they fit, where a number, true, false or
// null typed bare stands for its text where a text is declared (2 for "2").
// ClientError listing the overloads when none fits, or several do. Without
// keys (none known) the words go as typed.
nlohmann::json fitArguments(const std::vector<std::string>& words, const std::string& function,
                            const std::vector<std::string>& keys);

// "setValue-stringnumber" as "setValue(string, number)".
std::string readableFunction(const std::string& key);
// The JSON type names of a key's parameters, in order.
std::vector<std::string> parameterTypes(const std::string& key);

}  // namespace nolt::client
