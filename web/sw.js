// Keeps the page's files for offline play. scripts/web fills in the build's
// files and a version made from their contents: a new build is a new worker,
// which stores its files whole before it takes over and then drops the old
// ones. The saved game is not here but in IndexedDB, which this leaves alone.
const VERSION = '@VLO_VERSION@';
const FILES = @VLO_FILES@;
const CACHE = `velvet-lockout-${VERSION}`;

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const cache = await caches.open(CACHE);
    // Past the browser's HTTP cache, so an old file never lands in a new version.
    await cache.addAll(FILES.map((file) => new Request(file, { cache: 'reload' })));
    await self.skipWaiting();
  })());
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name.startsWith('velvet-lockout-') && name !== CACHE) await caches.delete(name);
    }
    await self.clients.claim();
  })());
});

// The stored file when there is one (the page's address is its index.html),
// the network for anything else.
self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith((async () => {
    const cache = await caches.open(CACHE);
    const kept = await cache.match(request.mode === 'navigate' ? 'index.html' : request, { ignoreSearch: true });
    return kept || fetch(request);
  })());
});
