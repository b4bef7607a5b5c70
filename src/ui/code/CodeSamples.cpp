#include "ui/code/CodeSamples.h"

namespace qv {

const std::vector<CodeSample>& codeSamples() {
  static const std::vector<CodeSample> samples = [] {
    std::vector<CodeSample> list;
    auto add = [&](const char* language, const char* source) {
      list.push_back({QString::fromUtf8(language), QString::fromUtf8(source)});
    };
    add("swift", R"~(// Loads the saved history, newest first.
func load(from url: URL) async throws -> [Item] {
  guard let data = try? Data(contentsOf: url) else { return [] }
  let items = try JSONDecoder().decode([Item].self, from: data)
  return items.sorted { $0.date > $1.date }.prefix(500).map { $0 }
}
let greeting = "Hello, \(name)!" // 0x1F, 3.5e2)~");
    add("python", R"~(# Count words in a file
def count_words(path, limit=100):
    """Return the most common words."""
    with open(path, encoding="utf-8") as f:
        words = f.read().split()
    counts = {w: words.count(w) for w in set(words) if len(w) > 3}
    return sorted(counts.items(), key=lambda kv: -kv[1])[:limit] or None)~");
    add("javascript", R"~(// Debounce a handler
export function debounce(fn, wait = 250) {
  let timer = null;
  return (...args) => {
    clearTimeout(timer);
    timer = setTimeout(() => fn.apply(this, args), wait);
    console.log(`waiting ${wait} ms`, 'ok', 0x10);
  };
})~");
    add("typescript", R"~(interface User { readonly id: number; name?: string }
export async function fetchUser(id: number): Promise<User | undefined> {
  const res = await fetch(`/api/users/${id}`);
  if (!res.ok) throw new Error("not found: " + id);
  return (await res.json()) as User; /* typed */
})~");
    add("kotlin", R"~(data class Point(val x: Double, val y: Double)
fun main() {
    val points = listOf(Point(1.0, 2.5e3), Point(0.0, 4f.toDouble()))
    // Sum every x
    val total = points.sumOf { it.x }
    println("total = $total, count = ${points.size}")
})~");
    add("go", R"~(package main

import "fmt"

// Sum adds the numbers.
func Sum(xs []int) (total int) {
	for _, x := range xs {
		total += x
	}
	return total
}

func main() { fmt.Println(Sum([]int{1, 2, 3_000}), `raw`) })~");
    add("rust", R"~(use std::collections::HashMap;
/// Counts each word.
fn count(text: &str) -> HashMap<&str, usize> {
    let mut map = HashMap::new();
    for word in text.split_whitespace() {
        *map.entry(word).or_insert(0) += 1;
    }
    map // 1_000 words max
})~");
    add("java", R"~(public final class Greeter {
    private static final int TIMES = 3;
    /* Greets the world a few times. */
    public static void main(String[] args) {
        for (int i = 0; i < TIMES; i++) {
            System.out.println("Hello " + i + ' ' + 2.5d);
        }
    }
})~");
    add("cpp", R"~(#include <vector>
// Returns the squares of 0..n.
std::vector<long> squares(int n) {
  std::vector<long> out;
  out.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) out.push_back(1L * i * i);
  return out; /* moved, not copied */
})~");
    add("bash", R"~(#!/bin/bash
# Back up the notes folder
set -euo pipefail
for f in "$HOME"/notes/*.md; do
  if [ -s "$f" ]; then
    cp "$f" "/tmp/backup/$(basename "$f")" && echo 'copied' "$f"
  fi
done
exit 0)~");
    add("sql", R"~(-- Top customers this year
SELECT c.name, SUM(o.total) AS spent
FROM customers c
INNER JOIN orders o ON o.customer_id = c.id
WHERE o.created_at >= '2026-01-01' AND o.status <> 'void'
GROUP BY c.name
ORDER BY spent DESC
LIMIT 10;)~");
    add("css", R"~(/* Card look */
.card {
  border-radius: 16px;
  padding: 12px 14px;
  color: #585dc1;
  font: 13px/1.4 "Inter", sans-serif;
}
.card:hover { transform: scale(1.025); })~");
    add("html", R"~(<!-- Sign-in form -->
<form action="/login" method="post" class="card">
  <label for="user">Name</label>
  <input id="user" name="user" type="text" required />
  <br />
  <button type="submit">Sign in</button>
</form>)~");
    add("xml", R"~(<?xml version="1.0" encoding="UTF-8"?>
<!-- Settings -->
<settings version="2">
  <entry key="retention" value="30"/>
  <entry key="edge" side="left">on</entry>
</settings>)~");
    add("ruby", R"~(# Greets everyone in the list
class Greeter
  def initialize(names)
    @names = names
  end
  def greet
    @names.each { |n| puts "Hello, #{n}!" }
  end
end)~");
    return list;
  }();
  return samples;
}

}  // namespace qv
